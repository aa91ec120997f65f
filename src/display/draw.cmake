# Blitting, text and the default font; included from this folder's CMakeLists.txt.

target_sources(brazdovar_display PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/blit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/draw_position.cpp
  ${CMAKE_CURRENT_LIST_DIR}/keyed_rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/putters.cpp
  ${CMAKE_CURRENT_LIST_DIR}/screen_hold.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text.cpp)

# The font table is generated from the glyph file at build time and checked
# against its known SHA-256 (the bytes as binary, bit 0 = leftmost column), so a
# changed or mis-read table stops the build.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(BRAZDOVAR_FONT_SHA256 76565c4928b79f7073cb2ac9a8b3d2bfb9ecec38f9a62c07e4255957476e8da4)
set(font_generator ${PROJECT_SOURCE_DIR}/tools/display/gen_font.py)
set(font_source ${CMAKE_CURRENT_BINARY_DIR}/default_font.cpp)
add_custom_command(
  OUTPUT ${font_source}
  COMMAND Python3::Interpreter ${font_generator} ${BRAZDOVAR_FONT_FILE} ${BRAZDOVAR_FONT_SHA256}
          ${font_source}
  DEPENDS ${font_generator} ${BRAZDOVAR_FONT_FILE}
  COMMENT "Generating the default 8x8 font"
  VERBATIM)
target_sources(brazdovar_display PRIVATE ${font_source})
