#!/usr/bin/env bash
# The first command on a fresh machine: installs the Debian packages the demo
# needs, builds what it runs (the library, the host kit and the strell tool;
# no tests, no benchmarks) into build-demo/, and resolves one URL of each kind
# (Media1, stream-server access name, Media2) against the example
# configuration in examples/conf.d/. scripts/test.sh builds the rest, in build/.
# Usage: scripts/demo.sh   (STRELL_CMAKE_ARGS adds configure options)
#
# MinSizeRel (-Os, no debug information) keeps the build to about half the
# compile time of the default RelWithDebInfo: the tool's sources instantiate
# nlohmann-json and CLI11 templates, and generating their debug information
# costs as much as compiling them. Answers are the same: both types define
# NDEBUG, and optimisation changes no behaviour of the library or the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel -DSTRELL_BUILD_TESTS=OFF \
  ${STRELL_CMAKE_ARGS:-} >/dev/null
cmake --build build-demo --target strell_cli
urls=('media/stream.sdp?profile=Profile_1' 'live1.sdp' 'media2/stream.sdp?profile=StreamProfile_1')
echo "\$ build-demo/tools/strell/strell resolve --root examples/conf.d $(printf "'%s' " "${urls[@]}")"
# The library's own trace lines go to standard error; the report is on
# standard output.
build-demo/tools/strell/strell resolve --root examples/conf.d "${urls[@]}"
