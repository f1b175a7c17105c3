#!/usr/bin/env bash
# Installs a built tree into a scratch prefix, checks what landed there, and
# builds consumers against it with pkg-config and with find_package(strell):
# a host of its own in C, and hosts that take their readers from the host kit,
# from C and C++, with the kit named before the library, after it or alone.
# Runs every consumer.
# Usage: tests/install/run.sh [build-dir]   (default: build, already built)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/../../scripts/install-deps.sh" base
build="$(cd "${1:-build}" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"
  shift
  if "$@" >"$scratch/out" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
    sed 's/^/  /' "$scratch/out" >&2
  fi
}

cmake --install "$build" --prefix "$prefix" >/dev/null

# Where the install put the library (lib/ or Debian's multiarch lib/<triplet>/).
library="$(find "$prefix" -name libstrell.so.1.0.0 -print -quit)"
libdir="$(dirname "${library:-$prefix/lib/none}")"
check "libstrell.so.1.0.0 is installed" test -f "$libdir/libstrell.so.1.0.0"
check "its SONAME is libstrell.so.1" \
  bash -c "readelf -d '$libdir/libstrell.so.1.0.0' | grep -q 'Library soname: \[libstrell.so.1\]'"
check "libstrell.so.1 links to the library" \
  test "$(readlink "$libdir/libstrell.so.1")" = libstrell.so.1.0.0
check "libstrell.so links to the SONAME" test "$(readlink "$libdir/libstrell.so")" = libstrell.so.1
check "strell.h is installed" test -f "$prefix/include/strell.h"
check "strell.pc is installed" test -f "$libdir/pkgconfig/strell.pc"
check "the CMake package is installed" test -f "$libdir/cmake/strell/strellConfig.cmake"
have_kit=false
if [[ -f "$prefix/include/strell_host.h" ]]; then
  have_kit=true
  check "the static host kit is installed" test -f "$libdir/libstrell_host.a"
  check "libstrell_host.so.1 links to the shared kit" \
    test "$(readlink "$libdir/libstrell_host.so.1")" = libstrell_host.so.1.0.0
  check "strell-host.pc is installed" test -f "$libdir/pkgconfig/strell-host.pc"
fi
conf="$prefix/share/strell/examples/conf.d"
check "the example configuration is installed" test -f "$conf/config_streamserver.xml"
urls=('media/stream.sdp?profile=Profile_1' live1.sdp 'media2/stream.sdp?profile=StreamProfile_1')

# 1. pkg-config, the way a firmware image's makefile links.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
check "pkg-config knows strell 1.0.0" test "$(pkg-config --modversion strell)" = 1.0.0
# shellcheck disable=SC2046  # the flags are meant to split into words
check "the consumer builds with pkg-config" \
  cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/../../examples/hosts/firmware_host.c" \
  $(pkg-config --cflags --libs strell) -Wl,-rpath,"$(pkg-config --variable=libdir strell)" \
  -o "$scratch/firmware_host_pc"
check "the pkg-config consumer runs against the installed library" "$scratch/firmware_host_pc"
if $have_kit; then
  check "pkg-config knows strell-host 1.0.0" test "$(pkg-config --modversion strell-host)" = 1.0.0
  # The kit from C: named after the library, before it, and its archive
  # alone (the linker prefers the .so beside it, so the archive is named by
  # file). A pkg-config that fails leaves its flags out, and the build fails.
  kit_libs="$(pkg-config --libs strell-host || true)"
  pc_kinds=("strell, then strell-host" "strell-host, then strell" "strell-host --static, archive")
  pc_links=(
    "$(pkg-config --libs strell) $kit_libs"
    "$kit_libs $(pkg-config --libs strell)"
    "$(pkg-config --static --libs strell-host | sed 's/-lstrell_host/-l:libstrell_host.a/' || true)"
  )
  for i in "${!pc_links[@]}"; do
    # shellcheck disable=SC2046,SC2086  # the flags are meant to split into words
    check "a C kit host builds with pkg-config (${pc_kinds[$i]})" \
      cc -std=c99 -Wall -Wextra -Wpedantic -Werror "$here/../../examples/hosts/c_kit_host.c" \
      $(pkg-config --cflags strell-host) ${pc_links[$i]} -Wl,-rpath,"$libdir" \
      -o "$scratch/c_kit_host_pc$i"
    check "it resolves one URL of each kind" \
      env STRELL_CONF_ROOT="$conf" "$scratch/c_kit_host_pc$i" "${urls[@]}"
  done
fi

# 2. find_package(strell), the way a CMake project links.
check "the consumer configures with find_package(strell)" \
  cmake -S "$here/../../examples/hosts" -B "$scratch/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_RPATH="$libdir"
check "the find_package consumer builds" cmake --build "$scratch/consumer"
check "the find_package consumer runs against the installed library" \
  "$scratch/consumer/firmware_host"
if $have_kit; then
  for program in kit_host kit_host_shared; do
    check "$program resolves one URL of each kind" "$scratch/consumer/$program" "$conf" "${urls[@]}"
  done
  check "a C-only project configures with the kit" \
    cmake -S "$here/../../examples/hosts/c_only" -B "$scratch/c_only" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_BUILD_RPATH="$libdir"
  check "a C-only project builds with either kit after, before and without strell::strell" \
    cmake --build "$scratch/c_only"
  for kit in host host_shared; do
    for order in after first alone; do
      check "camhost_${kit}_$order resolves one URL of each kind" \
        env STRELL_CONF_ROOT="$conf" "$scratch/c_only/camhost_${kit}_$order" "${urls[@]}"
    done
  done
fi
if [[ -x "$prefix/bin/strell" ]]; then
  check "the installed strell tool runs" "$prefix/bin/strell" --help
  # Moved, the tree still finds its own example beside the tool, and never
  # a path of the build machine.
  moved="$scratch/moved"
  mv "$prefix" "$moved"
  mkdir "$scratch/empty"
  example="$(cd "$moved/share/strell/examples/conf.d" && pwd -P)"
  check "a moved strell suggests the example installed beside it" bash -c \
    "'$moved/bin/strell' check --root '$scratch/empty' 2>&1 | grep -qxF -- \
     'strell: no camera configuration in $scratch/empty (--root): it holds none of config_onvif/config_onvif_media_profile.xml config_streamserver.xml config_streamprofile.xml. Name the directory that stands for /etc/conf.d/ with --root DIR (or STRELL_CONF_ROOT); the bundled example is --root $example'"
  check "the installed example checks clean" "$moved/bin/strell" check --root "$example"
fi

echo "install: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
