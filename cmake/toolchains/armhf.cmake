# Cross build for 32-bit ARM with hard float (Debian armhf), using Debian's
# cross compilers (package crossbuild-essential-armhf):
#   cmake -S . -B build-armhf -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/armhf.cmake
# Test programs run under qemu-user (package qemu-user), so ctest and the test
# discovery at build time work as on the build machine.
set(STRELL_CROSS_TRIPLET arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(STRELL_CROSS_QEMU qemu-arm)
set(STRELL_CROSS_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
