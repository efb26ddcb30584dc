#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Checks that the includes of the source tree point down the layer order that DESIGN.md's
# Layers section writes in its fenced block marked "layers" (the one place the order is
# written). Every #include "folder/..." of a file in a listed folder must name its own
# folder or a folder on a lower line; an include of a folder on the file's own line or
# above is printed as "file:line: include" and fails the check. Folders the block does not
# list (tests/, bench/, fuzz/, tools/) are not checked. Run by CTest (tests/CMakeLists.txt)
# and by hand:  scripts/check-layers.sh [TREE]   (default: the tree holding this script)
# Exit status: 0 when every include points down, 1 when one does not, 2 when the order
# cannot be read.
set -euo pipefail

tree=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
design="$tree/DESIGN.md"
if [[ ! -r $design ]]; then
  echo "check-layers: cannot read $design" >&2
  exit 2
fi

# The block: one layer a line from the top down, folders separated by blanks, "#" starts a
# comment; "allow FOLDER/ -> HEADER ..." lets a folder include the headers named although
# they lie above it.
block=$(awk '/^```layers[[:space:]]*$/ { on = 1; next } on && /^```/ { exit } on' "$design")
if [[ -z $block ]]; then
  echo "check-layers: $design has no \`\`\`layers block" >&2
  exit 2
fi

folders=()
while read -r line; do
  line=${line%%#*}
  [[ -z ${line// } || $line == allow* ]] && continue
  for word in $line; do folders+=("${word%/}"); done
done <<<"$block"
if ((${#folders[@]} == 0)); then
  echo "check-layers: the layers block of $design lists no folder" >&2
  exit 2
fi

cd "$tree"
existing=()
for f in "${folders[@]}"; do [[ -d $f ]] && existing+=("$f"); done

# grep prints file:line:text for every quoted include; awk knows each folder's layer.
{ grep -rnH --include='*.h' --include='*.hpp' --include='*.c' --include='*.cpp' \
    -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' "${existing[@]}" || true; } |
  awk -v block="$block" '
    BEGIN {
      n = split(block, lines, "\n")
      rank = 0
      for (i = 1; i <= n; ++i) {
        line = lines[i]
        sub(/#.*/, "", line)
        if (line ~ /^[[:space:]]*$/) continue
        if (line ~ /^[[:space:]]*allow[[:space:]]/) {
          # allow FOLDER/ -> HEADER HEADER ...
          count = split(line, w, /[[:space:]]+/)
          from = ""
          for (j = 1; j <= count; ++j) {
            if (w[j] == "" || w[j] == "allow" || w[j] == "->") continue
            if (from == "") { from = w[j]; sub(/\/$/, "", from); continue }
            allowed[from SUBSEP w[j]] = 1
          }
          continue
        }
        ++rank
        count = split(line, w, /[[:space:]]+/)
        for (j = 1; j <= count; ++j) {
          if (w[j] == "") continue
          f = w[j]
          sub(/\/$/, "", f)
          level[f] = rank  # 1 is the top
        }
      }
      bad = 0
    }
    {
      file = $0
      sub(/:.*/, "", file)
      rest = substr($0, length(file) + 2)
      number = rest
      sub(/:.*/, "", number)
      text = substr(rest, length(number) + 2)
      header = text
      sub(/^[^"]*"/, "", header)
      sub(/".*$/, "", header)
      own = file
      sub(/\/.*/, "", own)
      target = header
      sub(/\/.*/, "", target)
      if (target == own || !(target in level)) next
      # A lower line has a larger number: the include points down when its number is larger.
      if (level[target] > level[own]) next
      if ((own SUBSEP header) in allowed) next
      gsub(/^[[:space:]]+|[[:space:]]+$/, "", text)
      print file ":" number ": " text
      bad = 1
    }
    END { exit bad }
  '
