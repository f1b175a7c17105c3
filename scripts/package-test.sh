#!/usr/bin/env bash
# Installs the Debian packages built by scripts/package.sh with dpkg -i and
# removes them again, twice. First the runtime packages alone, as a camera
# image takes them: a host built here against the library and the shared host
# kit, without an RPATH, resolves the demo URLs with only what they installed.
# Then all of them: checks what they put on the machine and resolves the demo
# URLs with the installed strell tool against the installed example
# configuration.
# Usage: scripts/package-test.sh [build-dir]   (default build-pkg; run as root)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-pkg}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
mapfile -t debs < <(ls "$build"/packages/*.deb)
names=()
runtime_debs=()
runtime_names=()
for deb in "${debs[@]}"; do
  name="$(dpkg-deb --field "$deb" Package)"
  names+=("$name")
  if [[ "$(dpkg-deb --field "$deb" Section)" == libs ]]; then
    runtime_debs+=("$deb")
    runtime_names+=("$name")
  fi
done
urls=('media/stream.sdp?profile=Profile_1' live1.sdp 'media2/stream.sdp?profile=StreamProfile_1')
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)"

remove() {  # purges whichever of the packages are installed
  local installed=()
  for name in "${names[@]}"; do
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q ' installed$' && installed+=("$name")
  done
  [[ ${#installed[@]} -eq 0 ]] || $sudo dpkg --purge "${installed[@]}" >/dev/null
}
trap remove EXIT

# 1. The runtime packages alone. The library comes first on the link line, so
#    that --as-needed keeps the kit the program itself never calls.
host="$build/runtime_host"
cc -std=c99 -Wall -Wextra -Wpedantic -Werror examples/hosts/c_kit_host.c -Iinclude \
  -L"$build/src" -L"$build/host" -lstrell -lstrell_host -o "$host"
if readelf -d "$host" | grep -q -E 'RPATH|RUNPATH'; then
  echo "package-test: $host must find its libraries where the packages put them" >&2
  exit 1
fi
$sudo dpkg -i "${runtime_debs[@]}" >/dev/null
# Headers, development links, the archive and the .pc and CMake files are -dev's.
while read -r path; do
  [[ -z "$path" || (-d "$path" && ! -L "$path") ]] && continue
  if [[ ! "$path" =~ ^/usr/lib/$multiarch/lib(strell|strell_host)\.so\.1(\.0\.0)?$ ]]; then
    echo "package-test: runtime package ships $path" >&2
    exit 1
  fi
done < <(dpkg -L "${runtime_names[@]}")
STRELL_CONF_ROOT=examples/conf.d "$host" "${urls[@]}" | grep -- '->'
echo "package-test: ${runtime_names[*]} alone run a host on examples/conf.d"
remove

# 2. Every package.
$sudo dpkg -i "${debs[@]}" >/dev/null

test -f "/usr/lib/$multiarch/libstrell.so.1.0.0"
test "$(pkg-config --modversion strell)" = 1.0.0
if [[ " ${names[*]} " == *" libstrell-host1 "* ]]; then
  test "$(pkg-config --modversion strell-host)" = 1.0.0
fi
/sbin/ldconfig -p | grep 'libstrell.so.1 ' >/dev/null
echo "package-test: ${names[*]} installed; libstrell.so.1 is known to the dynamic loader"

# The tool's package, when the tree has the tool: its own binary, its own examples.
if [[ -x /usr/bin/strell ]]; then
  /usr/bin/strell --version
  /usr/bin/strell resolve --root /usr/share/strell/examples/conf.d "${urls[@]}"
  /usr/bin/strell check --root /usr/share/strell/examples/conf.d
  # Without a configuration it suggests the packaged example, not the build machine's.
  { /usr/bin/strell check --root /nonexistent 2>&1 || true; } |
    grep -F -- '--root /usr/share/strell/examples/conf.d'
fi
