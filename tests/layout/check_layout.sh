#!/bin/bash
# The tree's layout rules: each folder includes only the folders below it, and no product file
# grows past 400 lines. Each violation is one line; the status is 1 if there was any.
set -u
cd "$1" || exit 2

# What each product folder may include, besides itself.
declare -A allowed=(
  [base]=""
  [picture]="base"
  [pixeldata]="picture base"
  [desktop]="base"
  [screen]="picture base"
  [gui]="screen picture base"
  [converter]="gui screen desktop pixeldata picture base"
  [viewer]="screen desktop pixeldata picture base"
)
status=0
for folder in "${!allowed[@]}"; do
  while IFS=: read -r file line include; do
    target=${include#*\"}
    target=${target%%/*}
    case " $folder ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "$file:$line: $folder/ includes $target/, which is not below it"; status=1 ;;
    esac
  done < <(git grep -n -E '^#include "[a-z0-9_]+/' -- "$folder/*.h" "$folder/*.cpp")
done

while read -r lines file; do
  [ "$file" = total ] && continue
  if [ "$lines" -gt 400 ]; then
    echo "$file: $lines lines, more than 400"
    status=1
  fi
done < <(git ls-files -- "${!allowed[@]}" | grep -E '\.(h|cpp)$' | xargs wc -l)
exit $status
