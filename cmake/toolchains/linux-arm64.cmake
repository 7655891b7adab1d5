# Cross-compiling for 64-bit ARM Linux (Raspberry Pi 3 and later on a 64-bit
# system) with Debian's g++-aarch64-linux-gnu. Built programs run here under
# qemu-aarch64-static.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triple aarch64-linux-gnu)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64-static)
