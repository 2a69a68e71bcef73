#!/bin/sh
# Checks that every source file includes only what its layer may include
# (docs/architecture.md): operating-system headers only in platform/'s
# system folders, and project headers only from the layers below.
# Usage: scripts/check_layers.sh [source root]. Exit 0 when all hold.
set -eu
root=${1:-$(dirname "$0")/..}
cd "$root"

status=0
complain() {
  echo "$1"
  status=1
}

# Product code outside the system folders includes only standard C++ headers,
# which have neither an extension nor a folder.
for file in $(find app msgbase tools examples platform -maxdepth 3 \
              \( -name '*.cpp' -o -name '*.h' \) \
              ! -path 'platform/posix/*' ! -path 'platform/win32/*' | sort); do
  grep -Hn '^#include <[^>]*[./][^>]*>' "$file" |
    while IFS= read -r line; do echo "system header outside platform/: $line"; done
done | { if grep .; then exit 1; fi; } || status=1

# allowed <folder> <prefix>...: the project headers the files of <folder>
# (not its subfolders) may include.
allowed() {
  folder=$1
  shift
  for file in $(find "$folder" -maxdepth 1 \( -name '*.cpp' -o -name '*.h' \) | sort); do
    grep -Hn '^#include "' "$file" | while IFS= read -r line; do
      header=$(echo "$line" | sed 's/.*#include "\([^"]*\)".*/\1/')
      ok=no
      for prefix in "$@"; do
        case "$header" in "$prefix"*) ok=yes ;; esac
      done
      [ $ok = yes ] || echo "$folder may not include $header: $line"
    done
  done
}

check() {
  found=$(allowed "$@")
  [ -z "$found" ] || complain "$found"
}

check platform platform/
check platform/posix platform/
check msgbase/fido msgbase/fido/ platform/
check msgbase/io msgbase/io/ platform/
check msgbase/text msgbase/text/ msgbase/fido/ msgbase/io/ platform/
check msgbase msgbase/message_base msgbase/message_format msgbase/plain_message_base \
  msgbase/text/ msgbase/fido/ msgbase/io/ platform/
for format in squish jam msgdir; do
  check msgbase/$format msgbase/$format/ msgbase/text/ msgbase/message_base msgbase/fido/ \
    msgbase/io/ platform/
done
check msgbase/factory msgbase/ platform/
# The mover reaches the formats through the factory; the scan names the *.MSG
# base only to warn about files in its folder that are not messages.
above_formats="msgbase/factory/ msgbase/message_base msgbase/fido/ msgbase/io/ msgbase/text/ platform/"
check app app/ $above_formats msgbase/msgdir/msgdir_base.h
check tools tools/ app/ $above_formats
check examples $above_formats

exit $status
