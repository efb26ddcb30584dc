#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Takes screenshots of Tastor's windows under Xvfb with the simulated keyboard, in English
# and German, into docs/screenshots/ (the German ones end in _de). Needs Xvfb, xdotool and
# ImageMagick's import; run after a build: scripts/screenshots.sh [build folder].
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bin="${1:-$here/build}/bin"
out="$here/docs/screenshots"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'kill ${app:-} ${xvfb:-} 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -m 700 "$work/rt"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display" XDG_RUNTIME_DIR="$work/rt" HOME="$work" LANG=C.UTF-8

# The main window stands centred: (260, 220) on this screen; points below are the screen's.
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; sleep "${4:-0.6}"; }
shot() { import -window root "$work/full.png"; convert "$work/full.png" -crop "$2" +repage "$out/$1$suffix.png"; }
main_area=1400x640+260+220

for lang in en de; do
  suffix=""; [ "$lang" = de ] && suffix="_de"
  rm -rf "$work/user"
  "$bin/tastor" --simulate --user-dir "$work/user" --lang "$lang" >"$work/log-$lang.txt" 2>&1 &
  app=$!
  sleep 3
  shot main "$main_area"
  # The key function picker for K: before a page is chosen, and each page.
  click 1006 528 1 1.2
  shot picker 545x350+687+365
  click 793 475; xdotool key ctrl+shift+a; sleep 0.4
  shot picker_key 545x350+687+365
  click 793 539
  shot picker_macro 545x350+687+365
  click 793 603
  shot picker_media 545x350+687+365
  click 1187 689
  # The profile menu of the second profile, and its text box for the linked program.
  click 410 361 3 0.8
  shot profile_menu 500x300+260+330
  # Its first row: the file dialog of the export.
  click 520 371 1 1.2
  shot file_dialog 1920x1080+0+0
  xdotool key Escape; sleep 0.5
  # Its fourth row: the text box of the linked program.
  click 410 361 3 0.8
  click 520 430 1 1.0
  shot link_box "$main_area"
  click 1178 602
  # The macro editor: a recording needs a macro, which the message box says.
  click 410 442 1 1.2
  shot macro 580x380+670+350
  click 1095 443 1 0.8
  shot message 1400x640+260+220
  xdotool key Return; sleep 0.5
  click 1227 373
  # Apply with its progress dialog.
  click 1588 801 1 0.05
  shot progress "$main_area"
  sleep 1
  kill "$app"; wait "$app" 2>/dev/null || true
done
echo "screenshots in $out"
