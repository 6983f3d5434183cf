# The browser build: Debian's Emscripten, whose system libraries come prebuilt
# in its cache. Its linker runs tools on node that need Debian's acorn, which a
# node from elsewhere does not look for.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
