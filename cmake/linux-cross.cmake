# Linux on a CPU without the x87, with Debian's cross compilers: the geometry,
# the JSON frame tool and the geometry tests (HYPERCUBE_FRAME_ONLY), linked
# statically so that qemu-user runs them without the target's libraries.
# Included by the per-CPU files, which set triple, CMAKE_SYSTEM_PROCESSOR and
# qemu.
set(CMAKE_SYSTEM_NAME Linux)
find_program(CMAKE_CXX_COMPILER NAMES ${triple}-g++ REQUIRED)
# GoogleTest, built from source for the target, has C in its project.
find_program(CMAKE_C_COMPILER NAMES ${triple}-gcc REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
find_program(CMAKE_CROSSCOMPILING_EMULATOR NAMES ${qemu}-static ${qemu} REQUIRED)
