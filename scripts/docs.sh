#!/usr/bin/env bash
# Renders the API reference of include/strell.h with Doxygen into
# docs/api/html/ (or the directory given); fails on any warning, so every
# declaration of the public header stays documented.
# Usage: scripts/docs.sh [output-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh docs
export STRELL_DOCS_OUT="${1:-docs/api}"
mkdir -p "$STRELL_DOCS_OUT"
doxygen docs/Doxyfile
echo "docs: $STRELL_DOCS_OUT/html/index.html"
