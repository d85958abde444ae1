# The stand-in service (ximing-standin) and the test fixture `standin` that runs it for
# the tests of this build tree: started in the background on XIMING_STANDIN_PORT with
# its folder ${CMAKE_BINARY_DIR}/standin, and stopped when the tests that need it are done.
#
# Tests that need it say so with ximing_use_standin (below), which gives them
# XIMING_STANDIN_DIR and XIMING_STANDIN_PORT.
# Test programs find the folder and write reply scripts with tests/support/standin.h
# (library ximing_standin_support).

set(XIMING_STANDIN_DIR ${CMAKE_BINARY_DIR}/standin)
set(standin_source ${CMAKE_CURRENT_LIST_DIR}/standin.cpp)

if(CMAKE_CROSSCOMPILING)
  # The stand-in runs on this machine while the test programs run under an emulator,
  # so it is built with the host's compiler.
  # (In a folder of its own: the target's name must not also be the name of a file.)
  set(XIMING_STANDIN_PROGRAM ${CMAKE_CURRENT_BINARY_DIR}/host/ximing-standin)
  add_custom_command(
    OUTPUT ${XIMING_STANDIN_PROGRAM}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/host
    COMMAND c++ -std=c++20 -O2 -Wall -Wextra -Wpedantic -pthread ${standin_source}
            -o ${XIMING_STANDIN_PROGRAM}
    DEPENDS ${standin_source}
    COMMENT "Building the stand-in service with the host compiler"
    VERBATIM)
  add_custom_target(ximing-standin ALL DEPENDS ${XIMING_STANDIN_PROGRAM})
else()
  find_package(Threads REQUIRED)
  add_executable(ximing-standin ${standin_source})
  target_link_libraries(ximing-standin PRIVATE Threads::Threads ximing_warnings)
  set(XIMING_STANDIN_PROGRAM $<TARGET_FILE:ximing-standin>)
endif()

add_test(NAME standin_start
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/start-standin.sh ${XIMING_STANDIN_PROGRAM}
                 ${XIMING_STANDIN_PORT} ${XIMING_STANDIN_DIR})
set_tests_properties(standin_start PROPERTIES FIXTURES_SETUP standin TIMEOUT 30)
add_test(NAME standin_stop COMMAND ${CMAKE_CURRENT_LIST_DIR}/stop-standin.sh ${XIMING_STANDIN_DIR})
set_tests_properties(standin_stop PROPERTIES FIXTURES_CLEANUP standin TIMEOUT 30)

# ximing_use_standin(PROGRAM target) for the tests that ximing_test found in a GoogleTest
# program, or ximing_use_standin(TESTS name...) for tests added with add_test: they need
# the fixture and get XIMING_STANDIN_DIR and XIMING_STANDIN_PORT. The program's tests
# are known only when ctest reads the list found at build time, so their properties
# are set by a script that ctest runs after that list.
function(ximing_use_standin)
  cmake_parse_arguments(ARG "" "PROGRAM" "TESTS" ${ARGN})
  set(environment "XIMING_STANDIN_DIR=${XIMING_STANDIN_DIR};XIMING_STANDIN_PORT=${XIMING_STANDIN_PORT}")
  if(ARG_TESTS)
    set_tests_properties(${ARG_TESTS} PROPERTIES FIXTURES_REQUIRED standin ENVIRONMENT "${environment}")
  endif()
  if(ARG_PROGRAM)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${ARG_PROGRAM}_standin.cmake)
    file(WRITE ${script}
      "if(${ARG_PROGRAM}_TESTS)\n"
      "  set_tests_properties(\${${ARG_PROGRAM}_TESTS} PROPERTIES\n"
      "    FIXTURES_REQUIRED standin ENVIRONMENT [==[${environment}]==])\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
  endif()
endfunction()

# Helpers for test programs; the Windows ones see the stand-in's folder through
# Wine's drive Z:, which maps the root of this machine's file system.
add_library(ximing_standin_support STATIC ${CMAKE_CURRENT_LIST_DIR}/../support/standin.cpp)
target_include_directories(ximing_standin_support PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ximing_standin_support PRIVATE ximing_warnings)
if(WIN32)
  target_compile_definitions(ximing_standin_support PRIVATE XIMING_STANDIN_PATH_PREFIX="Z:")
else()
  target_compile_definitions(ximing_standin_support PRIVATE XIMING_STANDIN_PATH_PREFIX="")
endif()
