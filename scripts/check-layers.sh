#!/usr/bin/env bash
# Checks the library's layering on the include lines of src/: a file may
# include headers of its own folder and of folders on a lower layer, never of
# another folder on its own layer or of a higher one. Every include of a
# library header is written from src/ ("handler/url_handler.h"), the public
# header as "strell.h".
#
#   4  api/                              exports, context, chain construction, factory
#   3  media1/ media2/ streamserver/     the three URL handlers
#   2  numbering/ handler/               numbering and capabilities; the handler
#                                        interface and the mechanics all handlers share
#   1  hostconfig/                       the host readers
#   0  base/                             text, decimal scan, field tables, key paths
#
# Usage: scripts/check-layers.sh   (exit status 1 and one line per offence)
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A layer=([base]=0 [hostconfig]=1 [numbering]=2 [handler]=2 [media1]=3 [media2]=3
                  [streamserver]=3 [api]=4)
status=0
while IFS= read -r file; do
  folder="${file#src/}"
  folder="${folder%%/*}"
  if [[ -z "${layer[$folder]+x}" ]]; then
    echo "$file: the folder src/$folder/ has no layer in scripts/check-layers.sh"
    status=1
    continue
  fi
  while IFS=: read -r line included; do
    [[ "$included" == strell.h ]] && continue
    target="${included%%/*}"
    if [[ "$included" != */* || -z "${layer[$target]+x}" || ! -f "src/$included" ]]; then
      echo "$file:$line: \"$included\" is not written from src/ (\"folder/file.h\")"
      status=1
    elif [[ "$target" != "$folder" && ${layer[$target]} -ge ${layer[$folder]} ]]; then
      echo "$file:$line: src/$folder/ (layer ${layer[$folder]}) includes \"$included\" (layer ${layer[$target]})"
      status=1
    fi
  done < <(grep -nE '^#include "' "$file" | sed -E 's/^([0-9]+):#include "([^"]+)".*/\1:\2/')
done < <(find src -name '*.h' -o -name '*.cpp' | sort)
if ((status == 0)); then
  echo "layers: every include of src/ goes to its own folder or a lower layer"
fi
exit $status
