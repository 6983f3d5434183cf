# armhf Linux (see linux-cross.cmake).
set(triple arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(qemu qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
