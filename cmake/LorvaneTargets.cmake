# Helpers shared by every folder's CMakeLists: warnings, sanitizers, tests.

function(lorvane_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  # GCC 12 reports impossible overlaps inside libstdc++'s string concatenation when optimising.
  target_compile_options(${target} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wno-restrict>)
  if(LORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(LORVANE_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# A static library made of every .cpp in the calling folder (and the listed subfolders).
function(lorvane_library name)
  cmake_parse_arguments(ARG "" "" "SUBDIRS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(sub IN LISTS ARG_SUBDIRS)
    file(GLOB more CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${sub}/*.h)
    list(APPEND sources ${more})
  endforeach()
  lorvane_static_or_interface(${name} "${CMAKE_CURRENT_SOURCE_DIR}" ${sources})
endfunction()

# A static library of the given sources, or a header-only interface library while a folder
# holds no .cpp yet; either way `dir` is its public include folder.
function(lorvane_static_or_interface name dir)
  set(cpp ${ARGN})
  list(FILTER cpp INCLUDE REGEX "\\.cpp$")
  if(cpp)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${dir})
    lorvane_options(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${dir})
  endif()
endfunction()

# Links `deps` with the right keyword whether `name` is static or header-only.
function(lorvane_link name)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC} ${ARG_PRIVATE})
  else()
    target_link_libraries(${name} ${ARGN})
  endif()
endfunction()

# One GoogleTest program from every Test*.cpp in the calling folder, run with its own HOME.
# BACKEND qt|headless picks the platform backend (see lorvane_platform_backend).
function(lorvane_test name)
  cmake_parse_arguments(ARG "QT" "BACKEND" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} testsupport GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE LORVANE_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  lorvane_options(${name})
  # Under the sanitizers the libraries are optimised a little; the tests' own code need not be,
  # which halves its compile time.
  if(LORVANE_SANITIZE)
    target_compile_options(${name} PRIVATE -O0)
  endif()
  if(ARG_BACKEND)
    lorvane_platform_backend(${name} ${ARG_BACKEND})
  endif()
  add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
           ${PROJECT_SOURCE_DIR}/tests/run-isolated.sh $<TARGET_FILE:${name}>)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# One Google Benchmark program from every .cpp in the calling folder; not part of the tests.
function(lorvane_bench name)
  cmake_parse_arguments(ARG "" "BACKEND" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
  lorvane_options(${name})
  if(ARG_BACKEND)
    lorvane_platform_backend(${name} ${ARG_BACKEND})
  endif()
endfunction()

# Picks the platform backend (qt or headless) that an executable links: the one that
# implements the control host, canvas, timers and event processing for every library in it.
function(lorvane_platform_backend target backend)
  if(NOT backend MATCHES "^(qt|headless)$")
    message(FATAL_ERROR "lorvane_platform_backend: ${backend} is neither qt nor headless")
  endif()
  set_target_properties(${target} PROPERTIES LORVANE_PLATFORM_BACKEND ${backend})
  target_link_libraries(${target} PRIVATE platform_${backend})
  # platform's sockets module calls the backend's descriptor notifier while the backend
  # builds on platform: the two archives are searched as one group.
  target_link_libraries(${target} PRIVATE "$<LINK_GROUP:RESCAN,platform,platform_${backend}>")
endfunction()

# Copies the help manual beside a target's program in the build tree, where the program looks
# for it first (app/HelpManual.h).
function(lorvane_help_manual target)
  set(manual ${PROJECT_SOURCE_DIR}/resources/help/lorvane.html)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/lorvane.html)
  add_custom_command(OUTPUT ${copy} COMMAND ${CMAKE_COMMAND} -E copy ${manual} ${copy}
                     DEPENDS ${manual} VERBATIM)
  add_custom_target(${target}_help_manual DEPENDS ${copy})
  add_dependencies(${target} ${target}_help_manual)
endfunction()
