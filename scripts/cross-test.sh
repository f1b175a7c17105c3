#!/usr/bin/env bash
# Cross-builds the library and its unit tests for ARM with Debian's cross
# compilers and runs the tests under qemu-user; prints the size of the
# stripped library.
# Usage: scripts/cross-test.sh [armhf|arm64] [build-dir]   (default armhf, build-<arch>)
#
# GoogleTest is compiled for the target from /usr/src/googletest (Debian's
# googletest package). The host kit and the strell tool are left out: they
# need pugixml for the target, which only a foreign-architecture package
# provides (see README.md).
set -euo pipefail
cd "$(dirname "$0")/.."
arch="${1:-armhf}"
build="${2:-build-$arch}"
case "$arch" in
  armhf) triplet=arm-linux-gnueabihf group=cross ;;
  arm64) triplet=aarch64-linux-gnu group=cross-arm64 ;;
  *)
    echo "cross-test: unknown architecture '$arch' (armhf or arm64)" >&2
    exit 2
    ;;
esac
scripts/install-deps.sh base "$group"

# The emulator of the toolchain file passes -L too; exported for test programs
# that start further target programs.
export QEMU_LD_PREFIX="/usr/$triplet"
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$arch.cmake" \
  -DSTRELL_WERROR="${STRELL_WERROR:-ON}" -DSTRELL_BUILD_TESTS=ON -DSTRELL_BUILD_HOST=OFF \
  -DSTRELL_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2

"$triplet-strip" -o "$build/libstrell.so.1.stripped" "$build/src/libstrell.so.1.0.0"
echo "size: libstrell.so.1 ($arch, stripped): $(stat -c %s "$build/libstrell.so.1.stripped") bytes"
