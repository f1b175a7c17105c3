# Cross build for 64-bit ARM (Debian arm64), using Debian's cross compilers
# (package crossbuild-essential-arm64):
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/arm64.cmake
# Test programs run under qemu-user (package qemu-user).
set(STRELL_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(STRELL_CROSS_QEMU qemu-aarch64)
set(STRELL_CROSS_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/debian_cross.cmake)
