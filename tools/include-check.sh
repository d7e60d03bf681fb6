#!/usr/bin/env bash
# The game's folders, bottom to top: each may include only folders on a lower line (and itself),
# so no folder reaches up and no two folders include each other. Prints every include between
# folders with its count, then any that breaks the rule; exit status 1 when one does. The suite
# runs it (ctest -R layers).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

layers=(
  "input"
  "platform mesh"
  "audio render"
  "scene video"
  "scenes demo"
  "app"
)
declare -A rank
for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do rank[$folder]=$i; done
done

bad=0
report=""
for folder in "${!rank[@]}"; do
  # "folder -> included" for every include of one of the game's folders.
  while read -r count included; do
    [ "$included" = "$folder" ] && continue
    line="$folder -> $included ($count)"
    if [ -z "${rank[$included]+set}" ] || [ "${rank[$included]}" -ge "${rank[$folder]}" ]; then
      report+="$line: not below $folder"$'\n'
      bad=1
    else
      report+="$line"$'\n'
    fi
  done < <(grep -ho '^#include "[a-z]*/' "$folder"/*.h "$folder"/*.cpp | sed 's/^#include "//; s|/$||' | sort | uniq -c)
done
printf '%s' "$report" | sort
exit "$bad"
