# Writes <OUTPUT>: C++ arrays holding the bytes of the control's PNG pictures.
#   cmake -DSOURCE_DIR=... -DOUTPUT=... -P embed_pictures.cmake
set(code "// Generated from src/glidebar/pictures/*.png by embed_pictures.cmake.\n#include \"glidebar/pictures.h\"\n\nnamespace glidebar {\n\nnamespace {\n")
foreach(name track thumb toolbox)
  file(READ ${SOURCE_DIR}/pictures/${name}.png hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND code "const unsigned char k_${name}[] = {${bytes}};\n")
endforeach()
string(APPEND code "}  // namespace\n\n"
  "std::span<const unsigned char> TrackPicture() { return k_track; }\n"
  "std::span<const unsigned char> ThumbPicture() { return k_thumb; }\n"
  "std::span<const unsigned char> ToolboxPicture() { return k_toolbox; }\n\n"
  "}  // namespace glidebar\n")
file(WRITE ${OUTPUT}.tmp "${code}")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
