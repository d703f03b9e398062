# Runs str0gen on a good table and a blob and compares its output with the expected source.
execute_process(
  COMMAND ${TOOL} --function RegisterCheckResources --output ${OUT}/good.cpp
          --table GOOD_TABLE ${DATA}/good.txt --blob RAW_BLOB ${DATA}/no-tab.txt
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "str0gen failed on a good table (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/good.cpp ${DATA}/good.expected
                RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${OUT}/good.cpp differs from ${DATA}/good.expected")
endif()
