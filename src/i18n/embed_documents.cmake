# Writes OUT, a C++ file holding the language documents listed in RC (lines of the form
# `293 TEXT "english.xml"`) as byte arrays, for builds without Windows resources.
# Usage: cmake -DRC=<lang.rc> -DOUT=<file.cpp> -P embed_documents.cmake
get_filename_component(dir "${RC}" DIRECTORY)
file(STRINGS "${RC}" lines REGEX "^[0-9]+[ \t]+TEXT[ \t]+\"[^\"]+\"")
set(arrays "")
set(table "")
set(count 0)
foreach(line IN LISTS lines)
  string(REGEX MATCH "^([0-9]+)[ \t]+TEXT[ \t]+\"([^\"]+)\"" _ "${line}")
  set(id ${CMAKE_MATCH_1})
  file(READ "${dir}/${CMAKE_MATCH_2}" hex HEX)
  string(LENGTH "${hex}" hex_len)
  math(EXPR size "${hex_len} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  string(APPEND arrays "const char doc_${id}[] = {${bytes}0};\n")
  string(APPEND table "    {${id}, doc_${id}, ${size}},\n")
  math(EXPR count "${count} + 1")
endforeach()
file(WRITE "${OUT}.tmp"
  "// Generated from ${RC}; do not edit.\n"
  "#include \"i18n/builtin_documents_data.h\"\n\nnamespace lumo {\n\nnamespace {\n${arrays}}  // namespace\n\n"
  "const builtin_document_bytes builtin_document_list[] = {\n${table}};\n"
  "const size_t builtin_document_count = ${count};\n\n}  // namespace lumo\n")
file(RENAME "${OUT}.tmp" "${OUT}")
