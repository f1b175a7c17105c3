#!/usr/bin/env bash
# Rewrites the committed ABI baseline (abi/libstrell.so.1.abi and
# abi/strell_constants.txt) from a fresh build. Only for a deliberate change
# of the interface: an addition, or a break that comes with a new SONAME.
# Usage: scripts/abi-update.sh [build-dir]
set -euo pipefail
exec "$(dirname "$0")/abi-check.sh" --update "$@"
