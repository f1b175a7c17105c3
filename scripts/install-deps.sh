#!/usr/bin/env bash
# Installs the Debian packages a job needs, and only those that are missing.
# Usage: scripts/install-deps.sh [group...]   groups: base (default), demo,
# clang, reliability, cross-cc, cross, cross-arm64, abi, docs, package, rtsp,
# bench, all
set -euo pipefail

# The library, the host kit and the tool; base adds what the tests need.
demo="cmake ninja-build g++ pkg-config libpugixml-dev libcli11-dev nlohmann-json3-dev"
declare -A groups=(
  [base]="$demo make binutils libgtest-dev libgmock-dev"
  [demo]="$demo"
  [clang]="clang libclang-rt-14-dev"
  [reliability]="clang libclang-rt-14-dev valgrind"
  [bench]="libbenchmark-dev valgrind"
  # Cross builds compile GoogleTest for the target from Debian's source copy
  # (googletest): no foreign architecture is added to the machine.
  [cross]="crossbuild-essential-armhf qemu-user googletest"
  # Only the cross compiler: the README's cross command with nothing else
  # for the target.
  [cross-cc]="crossbuild-essential-armhf"
  [cross-arm64]="crossbuild-essential-arm64 qemu-user googletest"
  [abi]="abigail-tools gcc"
  [package]="dpkg-dev file"
  [docs]="doxygen"
  [rtsp]="libgstrtspserver-1.0-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good ffmpeg"
)

wanted=()
for group in "${@:-base}"; do
  if [[ "$group" == all ]]; then
    for g in "${!groups[@]}"; do wanted+=(${groups[$g]}); done
  elif [[ -n "${groups[$group]+x}" ]]; then
    wanted+=(${groups[$group]})
  else
    echo "install-deps: unknown group '$group'" >&2
    exit 2
  fi
done

missing=()
for package in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
