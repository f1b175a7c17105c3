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
# ELF header of the target's programs, as qemu's own binfmt configuration has it.
case "$arch" in
  armhf)
    triplet=arm-linux-gnueabihf group=cross qemu=qemu-arm
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x28\x00'
    mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    ;;
  arm64)
    triplet=aarch64-linux-gnu group=cross-arm64 qemu=qemu-aarch64
    magic='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
    mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    ;;
  *)
    echo "cross-test: unknown architecture '$arch' (armhf or arm64)" >&2
    exit 2
    ;;
esac
scripts/install-deps.sh base "$group"

# ctest starts each test program through qemu (the toolchain file's emulator).
# GoogleTest's death tests start the program again with execv, which only the
# kernel can hand to qemu: register qemu for the target's programs with
# binfmt_misc, as Debian's qemu-user-binfmt would, unless it already is. The
# started programs find the target's loader through QEMU_LD_PREFIX.
export QEMU_LD_PREFIX="/usr/$triplet"
skip=()
binfmt=/proc/sys/fs/binfmt_misc
if ! grep -qs "^interpreter .*/$qemu\$" "$binfmt"/*; then
  [[ -w "$binfmt/register" ]] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  if ! { [[ -w "$binfmt/register" ]] &&
    printf ':%s:M::%s:%s:%s:' "strell-$qemu" "$magic" "$mask" "$(command -v "$qemu")" \
      >"$binfmt/register" 2>/dev/null; }; then
    # The capability tests re-run the test program in a fresh process; without
    # the registration they cannot start it, so they run natively only.
    echo "cross-test: cannot register $qemu with binfmt_misc (needs root);" \
      "skipping the tests that start a fresh process (Capability.*)" >&2
    skip=(-E '^Capability\.')
  fi
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="cmake/toolchains/$arch.cmake" \
  -DSTRELL_WERROR="${STRELL_WERROR:-ON}" -DSTRELL_BUILD_TESTS=ON -DSTRELL_BUILD_HOST=OFF \
  -DSTRELL_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j2 "${skip[@]}"

"$triplet-strip" -o "$build/libstrell.so.1.stripped" "$build/src/libstrell.so.1.0.0"
echo "size: libstrell.so.1 ($arch, stripped): $(stat -c %s "$build/libstrell.so.1.stripped") bytes"
