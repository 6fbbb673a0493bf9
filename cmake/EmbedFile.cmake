# Turns a file into a C++ source defining `const unsigned char NAME[]` and `NAME_size`.
# Called at build time: cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P EmbedFile.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
    "#include <cstddef>\n"
    "extern const unsigned char ${NAME}[];\nextern const std::size_t ${NAME}_size;\n"
    "const unsigned char ${NAME}[] = {\n${bytes}0x00};\n"
    "const std::size_t ${NAME}_size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
