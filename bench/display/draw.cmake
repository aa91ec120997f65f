# Benchmarks of blitting; included from this folder's CMakeLists.txt.
brazdovar_bench(bench_blit SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_blit.cpp DEPS brazdovar_display)
