# Writes a C++ source that holds the bytes of every picture that
# pictures.txt lists ("TYPE NAME FILE" per line), for the simulator's
# resource loader.  cmake -DLIST=... -DOUTPUT=... -P embed_pictures.cmake
get_filename_component(folder "${LIST}" DIRECTORY)
file(STRINGS "${LIST}" lines)
set(arrays "")
set(entries "")
set(index 0)
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(REGEX REPLACE "[ \t]+" ";" fields "${line}")
  list(LENGTH fields count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "pictures.txt: expected TYPE NAME FILE, got: ${line}")
  endif()
  list(GET fields 0 type)
  list(GET fields 1 name)
  list(GET fields 2 file)
  file(READ "${folder}/${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "// ${file}\nconst unsigned char picture${index}[${size}] = {\n${bytes}};\n\n")
  string(APPEND entries "    {\"${type}\", \"${name}\", picture${index}, sizeof picture${index}},\n")
  math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
  set(entries "    {nullptr, nullptr, nullptr, 0},\n")
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated from resources/pictures.txt; do not edit.
#include \"platform/sim/resources_embedded.h\"

namespace {

${arrays}const sim::detail::EmbeddedResource table[] = {
${entries}};

} // namespace

const sim::detail::EmbeddedResource* sim::detail::embeddedResources(std::size_t& count) {
    count = ${index};
    return table;
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
