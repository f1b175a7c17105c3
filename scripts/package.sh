#!/usr/bin/env bash
# Builds the Debian packages libstrell1, libstrell-dev and strell-tools (the
# last one when the tool or the example configuration is part of the tree)
# for this machine's architecture, into <build-dir>/packages/.
# Usage: scripts/package.sh [build-dir]   (default build-pkg)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-pkg}"
scripts/install-deps.sh base package
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DSTRELL_BUILD_TESTS=OFF -DSTRELL_WERROR="${STRELL_WERROR:-OFF}" >/dev/null
cmake --build "$build"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
for deb in "$build"/packages/*.deb; do
  echo "package: $deb"
  dpkg-deb --field "$deb" Package Version Architecture Depends | sed 's/^/  /'
done
strip -o "$build/libstrell.so.1.stripped" "$build/src/libstrell.so.1.0.0"
echo "size: libstrell.so.1 ($(dpkg --print-architecture), stripped): $(stat -c %s "$build/libstrell.so.1.stripped") bytes"
