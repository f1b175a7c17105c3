#!/usr/bin/env bash
# Installs the Debian packages built by scripts/package.sh with dpkg -i, checks
# what they put on the machine, resolves the demo URLs with the installed
# strell tool against the installed example configuration, and removes the
# packages again.
# Usage: scripts/package-test.sh [build-dir]   (default build-pkg; run as root)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-pkg}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
mapfile -t debs < <(ls "$build"/packages/*.deb)
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb --field "$deb" Package)"); done

remove() { $sudo dpkg --purge "${names[@]}" >/dev/null; }
trap remove EXIT
$sudo dpkg -i "${debs[@]}" >/dev/null

multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)"
test -f "/usr/lib/$multiarch/libstrell.so.1.0.0"
test "$(pkg-config --modversion strell)" = 1.0.0
/sbin/ldconfig -p | grep 'libstrell.so.1 ' >/dev/null
echo "package-test: ${names[*]} installed; libstrell.so.1 is known to the dynamic loader"

# The tool's package, when the tree has the tool: its own binary, its own examples.
if [[ -x /usr/bin/strell ]]; then
  /usr/bin/strell --version
  /usr/bin/strell resolve --root /usr/share/strell/examples/conf.d \
    "media/stream.sdp?profile=Profile_1" live1.sdp "media2/stream.sdp?profile=StreamProfile_1"
  /usr/bin/strell check --root /usr/share/strell/examples/conf.d
  # Without a configuration it suggests the packaged example, not the build machine's.
  { /usr/bin/strell check --root /nonexistent 2>&1 || true; } |
    grep -F -- '--root /usr/share/strell/examples/conf.d'
fi
