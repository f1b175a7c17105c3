#!/usr/bin/env bash
# Guards the ABI that camera hosts and firmware are built against: compares
# the whole exported surface of a freshly built libstrell.so.1 with the
# committed baseline in abi/. That is every name src/strell.map exports: the
# C interface of include/strell.h, and the classes, methods, free functions,
# field tables and globals that firmware links against by name, each with its
# signature and the layout of every type it reaches; and the values of the
# header's constants.
#
# Usage: scripts/abi-check.sh [build-dir]     (default build-abi; configured and
#                                               built with g++ when needed)
#        scripts/abi-check.sh --update [build-dir]   rewrites the baseline
#
# Fails when abidiff reports anything but additions: a removed or changed
# function or method, a removed variable or one whose type changed (a field
# table's element type, say), a changed record or class (size, member offset
# or type, virtual functions), a changed SONAME, or a header constant whose
# value changed or that disappeared. Added functions, variables and constants
# are reported and pass; commit a new baseline for them with
# scripts/abi-update.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

update=false
if [[ "${1:-}" == --update ]]; then
  update=true
  shift
fi
build="${1:-build-abi}"
scripts/install-deps.sh base abi >&2

baseline=abi/libstrell.so.1.abi
constants_baseline=abi/strell_constants.txt
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# The baseline is the g++ build's debug information: the library must be
# built the same way (-g, g++) for the comparison to be meaningful.
if [[ ! -f "$build/CMakeCache.txt" ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRELL_BUILD_TESTS=OFF -DSTRELL_BUILD_HOST=OFF \
    -DSTRELL_BUILD_TOOLS=OFF >/dev/null
fi
cmake --build "$build" --target strell >/dev/null
library="$build/src/libstrell.so.1.0.0"
if ! readelf -S "$library" | grep '\.debug_info' >/dev/null; then
  echo "abi: $library has no debug information; build it with -g (RelWithDebInfo)" >&2
  exit 1
fi
if readelf -p .comment "$library" | grep clang >/dev/null; then
  echo "abi: $library was built by clang; the baseline describes the g++ build" >&2
  exit 1
fi

# What the library needs from the loading process: besides the C and C++
# runtimes, exactly the two host reader functions, which it never defines.
foreign="$(nm -D --undefined-only "$library" | awk '{ sub(/@.*/, "", $2); print $2 }' |
  grep -vE '^(_Z|__|_ITM_|_Unwind)' |
  grep -vxE 'access|open|close|fopen|fgets|fclose|printf|puts|vprintf|vfprintf|vsnprintf|snprintf|malloc|free|mem(cpy|move|set|cmp|chr)|str(len|nlen|cmp|ncmp|chr|str)|bcmp|pthread_(mutex|rwlock)_[a-z]+|stdout' |
  sort | tr '\n' ' ')"
if [[ "$foreign" != "Configer_GetParamValueByXPath XMLSParser_ReadContentEx " ]]; then
  echo "abi: libstrell.so.1 needs from the loading process: $foreign(expected only the two host readers)"
  exit 1
fi
needed="$(readelf -d "$library" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p' | sort | tr '\n' ' ')"
if [[ "$needed" != "libc.so.6 libgcc_s.so.1 libstdc++.so.6 " ]]; then
  echo "abi: libstrell.so.1 needs $needed(expected only the C and C++ runtimes)"
  exit 1
fi

# Every exported symbol, with every type it reaches.
abidw --drop-undefined-syms --no-corpus-path --no-comp-dir-path --short-locs \
  --out-file "$scratch/current.abi" "$library"

# Enumerators and macros leave no trace in the binary: their values come from
# the header itself, through the compiler.
names="$(sed -nE -e 's/^ *(STRELL_[A-Z0-9_]+) = .*/\1/p' \
  -e 's/^#define (STRELL_[A-Z0-9_]+) [0-9]+.*/\1/p' include/strell.h)"
{
  echo '#include <stdio.h>'
  echo '#include "strell.h"'
  echo 'int main(void) {'
  # shellcheck disable=SC2028  # the \n is C source, written as is
  for name in $names; do echo "  printf(\"$name %d\\n\", (int)($name));"; done
  echo '  return 0;'
  echo '}'
} >"$scratch/constants.c"
cc -std=c99 -Iinclude "$scratch/constants.c" -o "$scratch/constants"
"$scratch/constants" | sort >"$scratch/constants.txt"

if $update; then
  cp "$scratch/current.abi" "$baseline"
  cp "$scratch/constants.txt" "$constants_baseline"
  echo "abi: baseline updated ($baseline, $constants_baseline); review and commit it"
  exit 0
fi

status=0
set +e
abidiff --no-added-syms --suppressions abi/surface.suppr "$baseline" "$scratch/current.abi" \
  >"$scratch/report"
diff_status=$?
set -e
if ((diff_status & 1)); then
  cat "$scratch/report" >&2
  echo "abi: abidiff failed to compare" >&2
  exit 1
fi
if ((diff_status & (4 | 8))); then
  cat "$scratch/report"
  echo "abi: INCOMPATIBLE change to the exported surface of libstrell.so.1 (abidiff status $diff_status)"
  status=1
fi
# Additions are compatible: show them so the baseline can be brought up to date.
if ! abidiff --suppressions abi/surface.suppr "$baseline" "$scratch/current.abi" \
  >"$scratch/additions" && ((status == 0)); then
  cat "$scratch/additions"
  echo "abi: symbols were added (compatible); record them with scripts/abi-update.sh"
fi

# A line of the baseline that is no longer there: a constant changed or vanished.
while read -r name value; do
  now="$(awk -v n="$name" '$1 == n { print $2 }' "$scratch/constants.txt")"
  if [[ -z "$now" ]]; then
    echo "abi: INCOMPATIBLE: $name was removed from strell.h"
  else
    echo "abi: INCOMPATIBLE: $name was $value, is now $now"
  fi
  status=1
done < <(comm -23 "$constants_baseline" "$scratch/constants.txt")
while read -r name value; do
  grep -q "^$name " "$constants_baseline" || echo "abi: constant $name = $value was added (compatible)"
done < <(comm -13 "$constants_baseline" "$scratch/constants.txt")

if ((status == 0)); then
  echo "abi: libstrell.so.1 keeps its committed surface ($(grep -c '<elf-symbol' "$baseline") symbols, $(wc -l <"$constants_baseline") constants)"
fi
exit $status
