# Build conventions shared by every folder.
#
# zr_library(<name> DEPS <targets...>)
#   Builds the static library zr_<name> from every *.cpp of the calling folder
#   except the tests and the program entries (main.cpp, *_main.cpp), and adds
#   the folder's tests (see zr_folder_tests) unless BUILD_TESTING is off.
#
# Test files sit beside the code they test and are recognised by their suffix:
#   *_test.cpp      unit tests              CTest label "unit"
#   *_db_test.cpp   need the sandbox servers CTest label "mariadb"
#   *_gui_test.cpp  need a Qt window        CTest label "gui"
#   *_gui_db_test.cpp  both                 labels "gui" and "mariadb"
# Server tests hold the resource lock "sandbox", so they never overlap.
# set(ZR_FIXTURES_<test name> <fixture>) before zr_library makes every case
# of that test require the CTest fixture (servers of the test's own).
# Each test file becomes one executable; every test case becomes one CTest test
# (in a cross-built tree, each executable is one CTest test).

include(GoogleTest)

function(zr_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_test\\.cpp$")
  # Program entries (main.cpp, *_main.cpp) belong to their executables.
  list(FILTER sources EXCLUDE REGEX "/(main|[^/]*_main)\\.cpp$")
  # One implementation file per system: *_windows.cpp or *_posix.cpp.
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER sources EXCLUDE REGEX "_windows\\.cpp$")
  endif()
  if(sources)
    add_library(zr_${name} STATIC ${sources})
    target_include_directories(zr_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(zr_${name} PUBLIC ${ARG_DEPS})
  else()
    # A folder whose code is still all in headers.
    add_library(zr_${name} INTERFACE)
    target_include_directories(zr_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(zr_${name} INTERFACE ${ARG_DEPS})
  endif()
  if(BUILD_TESTING)
    zr_folder_tests(zr_${name} ${ARG_TEST_DEPS})
  endif()
endfunction()

function(zr_folder_tests library)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(test_source IN LISTS tests)
    get_filename_component(test_name ${test_source} NAME_WE)
    # Tests that cannot hold on Windows (cmake/windows_tests.cmake says why).
    if(WIN32 AND test_name IN_LIST ZARAROD_TESTS_NOT_ON_WINDOWS)
      continue()
    endif()
    add_executable(${test_name} ${test_source})
    set(labels "")
    set(extra_properties "")
    if(test_name MATCHES "_gui(_db)?_test$")
      list(APPEND labels gui)
      target_link_libraries(${test_name} PRIVATE zr_gui_test_main)
    else()
      target_link_libraries(${test_name} PRIVATE zr_test_main)
    endif()
    if(test_name MATCHES "_db_test$")
      # Server tests share the two sandbox servers and their fixed databases:
      # they run one at a time.
      list(APPEND labels mariadb)
      set(extra_properties RESOURCE_LOCK sandbox)
      target_link_libraries(${test_name} PRIVATE zr_sandbox_support)
    endif()
    # A test that needs servers of its own names the CTest fixture that
    # starts and stops them in ZR_FIXTURES_<test name>.
    if(DEFINED ZR_FIXTURES_${test_name})
      list(APPEND extra_properties FIXTURES_REQUIRED ${ZR_FIXTURES_${test_name}})
    endif()
    if(NOT labels)
      set(labels unit)
    endif()
    target_link_libraries(${test_name} PRIVATE ${library} ${ARGN})
    if(CMAKE_CROSSCOMPILING)
      # Every start of a test program under the emulator (Wine) costs seconds,
      # so the cross-built tree runs each test file as one CTest test, all
      # its cases in one process, instead of one process per case.
      add_test(NAME ${test_name} COMMAND ${test_name})
      set_tests_properties(${test_name} PROPERTIES LABELS "${labels}" ${extra_properties})
      continue()
    endif()
    # Two labels must reach set_tests_properties as one list value; the ";"
    # between them passes three list expansions on the way (here, in
    # gtest_discover_tests and in the script that lists the tests), so it is
    # escaped for each. Unescaped, "gui;mariadb" became LABELS gui plus a
    # bogus property "mariadb", and the sandbox lock was lost.
    string(REPLACE ";" "\\\\\\\\\\\\\;" labels "${labels}")
    # Parameterised tests are named by their cases (testing/case_name.h);
    # NO_PRETTY_VALUES keeps the printed parameter out of the CTest name.
    gtest_discover_tests(${test_name}
      DISCOVERY_MODE PRE_TEST
      NO_PRETTY_VALUES
      PROPERTIES LABELS "${labels}" ${extra_properties}
      TEST_PREFIX "${test_name}."
      DISCOVERY_TIMEOUT 60)
  endforeach()
endfunction()
