# tintavo_add_library(name SOURCES ... [LIBS ...])
#   A static library of the core with the repository root on its include path.
function(tintavo_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# tintavo_add_test(name SOURCES ... [LIBS ...])
#   A GoogleTest program.  Natively CTest lists each of its tests.  Under an
#   emulator (Windows programs under Wine, where starting a program costs
#   seconds, and i386 programs under qemu) and in the sanitizer builds (where
#   each start costs the sanitizer's set-up; TINTAVO_TEST_WHOLE_PROGRAMS) the
#   program runs once with all its tests, and passes only when GoogleTest's
#   own summary says it ran: a Wine that cannot start the program exits 0
#   without printing anything.
function(tintavo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} tintavo_gtest_main)
  if(CMAKE_CROSSCOMPILING OR TINTAVO_TEST_WHOLE_PROGRAMS)
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set_tests_properties(${name} PROPERTIES
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?\\."
      FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
      TIMEOUT 900)
  else()
    gtest_discover_tests(${name}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 120
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
      PROPERTIES TIMEOUT 300)
  endif()
endfunction()
