# Tests of blitting and text; included from this folder's CMakeLists.txt.
brazdovar_test(blit_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/blit_test.cpp ${CMAKE_CURRENT_LIST_DIR}/keyed_blit_test.cpp
  DEPS brazdovar_display)
brazdovar_test(text_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/text_test.cpp DEPS brazdovar_display)
