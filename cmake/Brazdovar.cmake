# Helpers shared by every subsystem's CMakeLists.txt.

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

# brazdovar_library(NAME SOURCES... [DEPS libs...])
# A static library "brazdovar_NAME" whose public headers live under src/, so
# callers include "display/image.h", "imageio/png.h" and so on.
function(brazdovar_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(brazdovar_${name} STATIC ${ARG_SOURCES})
  target_include_directories(brazdovar_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(brazdovar_${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# brazdovar_test(NAME SOURCES... DEPS libs... [LABELS labels...] [FIXTURES fixtures...])
# A GoogleTest program registered with CTest, one CTest test per TEST().
# Labels: "unit" (default), "threads" (also run under TSan), "e2e" (needs X).
# FIXTURES names CTest fixtures every test of the program requires.
function(brazdovar_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS;FIXTURES" ${ARGN})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    BRAZDOVAR_TESTDATA="${BRAZDOVAR_TESTDATA}"
    BRAZDOVAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BRAZDOVAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  include(GoogleTest)
  set(properties LABELS "${ARG_LABELS}")
  if(ARG_FIXTURES)
    list(APPEND properties FIXTURES_REQUIRED "${ARG_FIXTURES}")
  endif()
  gtest_discover_tests(${name} PROPERTIES ${properties} DISCOVERY_TIMEOUT 60)
endfunction()

# brazdovar_bench(NAME SOURCES... DEPS libs...)
# A Google Benchmark program; CTest smoke-runs it briefly under the "bench" label.
function(brazdovar_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  target_compile_definitions(${name} PRIVATE
    BRAZDOVAR_TESTDATA="${BRAZDOVAR_TESTDATA}"
    BRAZDOVAR_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BRAZDOVAR_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name}.smoke COMMAND ${name} --benchmark_min_time=0.001)
  set_tests_properties(${name}.smoke PROPERTIES LABELS bench)
endfunction()

# brazdovar_fuzzer(NAME SOURCES... DEPS libs... [CORPUS dirs...])
# A libFuzzer target; the test script runs it for a fixed time from its corpus.
function(brazdovar_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;CORPUS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  string(REPLACE ";" ":" corpus "${ARG_CORPUS}")
  file(APPEND ${PROJECT_BINARY_DIR}/fuzzers.txt "${name} ${corpus}\n")
endfunction()
