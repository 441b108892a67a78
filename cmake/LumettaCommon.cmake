# Compiler settings and helpers shared by every folder.

set(LUMETTA_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)

# Float code (the JPEG codec among it) must give the same bytes in both deliverables and natively.
add_compile_options(-ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(WIN32)
  add_compile_definitions(NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)
  # The GCC runtime, libstdc++ and winpthread are linked in: every DLL and EXE loads on a clean
  # Windows with nothing beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(LUMETTA_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings are errors in the project's own code (not in GoogleTest).
function(lumetta_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-missing-field-initializers)
  if(WIN32)
    # GetProcAddress results are cast to their real function types on purpose.
    target_compile_options(${target} PRIVATE -Wno-cast-function-type)
  endif()
endfunction()

# A test executable: many GoogleTest cases in one program (a Wine start costs most of a second).
# The Windows ones run under Wine through the cross-compiling emulator.
function(lumetta_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE lumetta_test_support ${T_LIBS})
  lumetta_warnings(${name})
  set(results ${CMAKE_BINARY_DIR}/test-results/${name}.xml)
  if(WIN32)
    set(results "Z:${results}")
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${results})
  lumetta_label_test(${name})
endfunction()

# Time-outs. A Wine test program normally ends within seconds to a minute; its ctest time-out is a
# few times that, so that a hang costs a minute, not ten. Every test of a directory that calls one
# of the functions here and has no time-out of its own gets LUMETTA_DEFAULT_TIMEOUT at the end of
# that directory; slower ones name theirs with lumetta_test_timeout. On the emulated 32-bit route
# (qemu-i386) programs run many times slower: there every time-out is multiplied by
# LUMETTA_TIMEOUT_SCALE. tools/wine-run's LUMETTA_WINE_TIMEOUT stays the outer bound of each run.
if(WIN32)
  set(LUMETTA_DEFAULT_TIMEOUT 60)
else()
  # Native programs under ASan/UBSan, and the reference tools beside them.
  set(LUMETTA_DEFAULT_TIMEOUT 300)
endif()
set(LUMETTA_TIMEOUT_SCALE 1)
if(WIN32 AND LUMETTA_WINE_BITS EQUAL 32)
  set(route "$ENV{LUMETTA_WINE32_ROUTE}")
  if(route STREQUAL "")
    execute_process(COMMAND ${LUMETTA_ROOT}/tools/probe-32bit RESULT_VARIABLE probe OUTPUT_QUIET ERROR_QUIET TIMEOUT 60)
    if(probe EQUAL 0)
      set(route native)
    else()
      set(route qemu)
    endif()
  endif()
  if(route STREQUAL "qemu")
    set(LUMETTA_TIMEOUT_SCALE 8)
  endif()
  set(LUMETTA_WINE32_ROUTE_IN_USE ${route})
  message(STATUS "32-bit route for the test time-outs: ${route} (time-outs x${LUMETTA_TIMEOUT_SCALE})")
endif()

# Sets the time-out (seconds on the native routes) of the tests.
function(lumetta_test_timeout seconds)
  math(EXPR scaled "${seconds} * ${LUMETTA_TIMEOUT_SCALE}")
  set_tests_properties(${ARGN} PROPERTIES TIMEOUT ${scaled})
  lumetta_default_timeouts()
endfunction()

# Schedules the default time-out for the tests of the calling directory (once per directory).
function(lumetta_default_timeouts)
  get_property(done DIRECTORY PROPERTY LUMETTA_TIMEOUTS_DEFERRED)
  if(NOT done)
    set_property(DIRECTORY PROPERTY LUMETTA_TIMEOUTS_DEFERRED TRUE)
    cmake_language(DEFER CALL _lumetta_apply_default_timeouts)
  endif()
endfunction()

function(_lumetta_apply_default_timeouts)
  get_property(tests DIRECTORY PROPERTY TESTS)
  math(EXPR scaled "${LUMETTA_DEFAULT_TIMEOUT} * ${LUMETTA_TIMEOUT_SCALE}")
  foreach(t IN LISTS tests)
    get_test_property(${t} TIMEOUT timeout)
    if(NOT timeout)
      set_tests_properties(${t} PROPERTIES TIMEOUT ${scaled})
    endif()
  endforeach()
endfunction()

# Labels from the list in tests/CMakeLists.txt: qemu32-smoke (the 32-bit programs that still run,
# under qemu-i386, where a machine cannot run 32-bit programs).
function(lumetta_label_test name)
  lumetta_default_timeouts()
  set(labels "")
  if(WIN32 AND LUMETTA_WINE_BITS EQUAL 32 AND name IN_LIST LUMETTA_QEMU32_SMOKE)
    list(APPEND labels qemu32-smoke)
  endif()
  if(labels)
    set_tests_properties(${name} PROPERTIES LABELS "${labels}")
  endif()
endfunction()
