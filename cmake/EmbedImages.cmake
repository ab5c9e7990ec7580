# Writes a C++ source with the images that an .rc file lists as "<id> PNG "<file>"", as a table
# {resource id, bytes, size} (graphics/x11/EmbeddedImages.h). Run as
#   cmake -DRC=<file.rc> -DOUT=<source.cpp> -P EmbedImages.cmake
# Files that do not exist are left out (the editor then draws nothing for them). The output is
# rewritten only when its text changes.
file(STRINGS "${RC}" _lines)
get_filename_component(_dir "${RC}" DIRECTORY)
set(_arrays "")
set(_table "")
set(_count 0)
foreach(_line IN LISTS _lines)
  if(NOT _line MATCHES "^[ \t]*([0-9]+)[ \t]+PNG[ \t]+\"([^\"]+)\"")
    continue()
  endif()
  set(_id "${CMAKE_MATCH_1}")
  set(_file "${_dir}/${CMAKE_MATCH_2}")
  if(NOT EXISTS "${_file}")
    continue()
  endif()
  file(READ "${_file}" _hex HEX)
  string(LENGTH "${_hex}" _digits)
  math(EXPR _size "${_digits} / 2")
  if(_size EQUAL 0)
    continue()
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  string(APPEND _arrays "const unsigned char kImage${_id}[] = {${_bytes}};\n")
  string(APPEND _table "    {${_id}, kImage${_id}, ${_size}},\n")
  math(EXPR _count "${_count} + 1")
endforeach()

set(_text "// Generated from ${RC} by cmake/EmbedImages.cmake; do not edit.
#include \"graphics/x11/EmbeddedImages.h\"

namespace
{
${_arrays}} // namespace

const EmbeddedImage kEmbeddedImages[] = {
${_table}    {0, nullptr, 0},
};
const int kEmbeddedImageCount = ${_count};
")
file(WRITE "${OUT}.tmp" "${_text}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.tmp")
