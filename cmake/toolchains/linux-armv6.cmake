# Cross-compiling for 32-bit ARM Linux with Debian's g++-arm-linux-gnueabi
# (armel). Its libraries, unlike armhf's, need no ARMv7, so a static program
# runs on every Raspberry Pi, the Pi 1 and Zero (ARM1176) included. Built
# programs run here under qemu-arm-static as that core.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv6l)
set(triple arm-linux-gnueabi)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm-static -cpu arm1176)
