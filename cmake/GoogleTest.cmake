# GoogleTest cross-built from Debian's sources with the project's toolchain.
set(GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)

# korvane_add_test(NAME SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [LOCK name] [SERIAL])
# One GoogleTest executable in bin/, its cases discovered under Wine when CTest
# starts (the wineserver is warm by then). Cases of executables that name the
# same LOCK never run at the same time; SERIAL cases run beside no other test.
function(korvane_add_test name)
  cmake_parse_arguments(T "SERIAL" "TIMEOUT;LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/common/CrashExit.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  set(labels unit)
  if(T_LABELS)
    set(labels ${T_LABELS})
  endif()
  set(timeout 120)
  if(T_TIMEOUT)
    set(timeout ${T_TIMEOUT})
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    NO_PRETTY_VALUES
    PROPERTIES LABELS "${labels}" TIMEOUT ${timeout})
  if(T_LOCK OR T_SERIAL)
    set(properties "")
    if(T_LOCK)
      string(APPEND properties " RESOURCE_LOCK ${T_LOCK}")
    endif()
    if(T_SERIAL)
      string(APPEND properties " RUN_SERIAL TRUE")
    endif()
    # The case names are known only once CTest has discovered them; this
    # script runs after the discovery's own (GoogleTest's <target>_TESTS).
    set(lock_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_lock.cmake)
    file(WRITE ${lock_script}
      "if(${name}_TESTS)\n"
      "  set_tests_properties(\${${name}_TESTS} PROPERTIES${properties})\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${lock_script})
  endif()
endfunction()
