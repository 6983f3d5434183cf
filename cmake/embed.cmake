# cmake -DIN=file -DOUT=file.cpp -DNAME=symbol -DNAMESPACE=ns -P embed.cmake:
# a C++ source defining ns::symbol (the file's bytes) and ns::symbolSize.
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" length)
math(EXPR size "${length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes
                     "${bytes}")
file(WRITE ${OUT}.new
     "// Made from ${IN} at build time.\n#include <cstddef>\n\nnamespace ${NAMESPACE} {\n"
     "extern const unsigned char ${NAME}[] = {\n${bytes}};\n"
     "extern const std::size_t ${NAME}Size = ${size};\n}  // namespace ${NAMESPACE}\n")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
