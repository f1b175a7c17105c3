#!/usr/bin/env bash
# The first command on a fresh machine: installs the Debian packages the build
# needs, builds everything into build/, and resolves one URL of each kind
# (Media1, stream-server access name, Media2) against the example
# configuration in examples/conf.d/.
# Usage: scripts/demo.sh   (STRELL_CMAKE_ARGS adds configure options)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh base
cmake -S . -B build -G Ninja ${STRELL_CMAKE_ARGS:-} >/dev/null
cmake --build build
urls=('media/stream.sdp?profile=Profile_1' 'live1.sdp' 'media2/stream.sdp?profile=StreamProfile_1')
echo "\$ build/tools/strell/strell resolve --root examples/conf.d $(printf "'%s' " "${urls[@]}")"
# The library's own trace lines go to standard error; the report is on
# standard output.
build/tools/strell/strell resolve --root examples/conf.d "${urls[@]}"
