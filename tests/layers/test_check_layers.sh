#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# The layer check itself: it passes on the tree as it is, and on a copy of the tree with
# one include that points up (the model including a window) it fails, naming that line.
# Usage: test_check_layers.sh SOURCE_TREE
set -euo pipefail
source_tree=$1
check="$source_tree/scripts/check-layers.sh"

if ! out=$("$check" "$source_tree"); then
  echo "FAIL: the tree breaks its layer order:"
  echo "$out"
  exit 1
fi

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
# The check reads DESIGN.md and the source folders only.
cp "$source_tree/DESIGN.md" "$copy/"
for folder in platform text libs base macro model device app skin controls ui cli; do
  [[ -d $source_tree/$folder ]] && cp -r "$source_tree/$folder" "$copy/"
done
"$check" "$copy" >/dev/null || { echo "FAIL: the unchanged copy does not pass"; exit 1; }

# One wrong include, after the first include of a model file.
target="$copy/model/profile.cpp"
line=$(grep -n '^#include "' "$target" | head -1 | cut -d: -f1)
sed -i "${line}a #include \"ui/tastor_dlg.h\"" "$target"
status=0
out=$("$check" "$copy") || status=$?
expected="model/profile.cpp:$((line + 1)): #include \"ui/tastor_dlg.h\""
if [[ $status -ne 1 || $out != "$expected" ]]; then
  echo "FAIL: expected exit 1 and \"$expected\", got exit $status and:"
  echo "$out"
  exit 1
fi

# An include of a peer on the same line is refused as well (cli/ and ui/ stand side by side).
target="$copy/cli/main.cpp"
echo '#include "ui/msg_dlg.h"' >>"$target"
out=$("$check" "$copy") || true
if ! grep -q "^cli/main.cpp:[0-9]*: #include \"ui/msg_dlg.h\"$" <<<"$out"; then
  echo "FAIL: an include of a peer folder was not reported:"
  echo "$out"
  exit 1
fi
echo "ok"
