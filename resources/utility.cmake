# The utility library's message tables: the reader's own error texts and the library messages.
lorvane_resource_group(utility_resources NAME Utility
  TABLES STSRMGR_STRINGS=strings/stsrmgr.txt
         UTILITY_STRINGS_ENGLISH=strings/utility_english.txt)

# The generator's own checks: every malformed table stops it with the place named, and a good
# table gives exactly the expected source.
if(LORVANE_TESTS)
  set(str0gen_data ${PROJECT_SOURCE_DIR}/tests/data/utility/str0gen)
  set(str0gen_out ${CMAKE_CURRENT_BINARY_DIR}/str0gen-tests)
  file(MAKE_DIRECTORY ${str0gen_out})
  foreach(case IN ITEMS
      "duplicate|duplicate.txt:4: id 1 already given on line 2"
      "no-tab|no-tab.txt:2: expected a decimal id, a TAB and the text"
      "bad-id|bad-id.txt:2: the id \"x2\" is not a 32-bit decimal number"
      "id-range|id-range.txt:1: the id \"2147483648\" is not a 32-bit decimal number"
      "bad-utf8|bad-utf8.txt:1: the text is not valid UTF-8")
    string(REPLACE "|" ";" parts "${case}")
    list(GET parts 0 name)
    list(GET parts 1 message)
    add_test(NAME str0gen_rejects_${name}
             COMMAND str0gen --function RegisterBadResources --output ${str0gen_out}/${name}.cpp
                     --table BAD ${str0gen_data}/${name}.txt)
    set_tests_properties(str0gen_rejects_${name} PROPERTIES PASS_REGULAR_EXPRESSION "${message}")
  endforeach()
  add_test(NAME str0gen_table_layout
           COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:str0gen> -DDATA=${str0gen_data}
                   -DOUT=${str0gen_out} -P ${CMAKE_CURRENT_SOURCE_DIR}/tools/str0gen_check.cmake)
endif()
