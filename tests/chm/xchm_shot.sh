#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Opens an HTML Help file in xchm on an X server of its own (Xvfb), takes a screenshot and measures the
# page pane (right of the contents tree, below the toolbar): the share of pixels that differ from the
# pane's background and the number of colours. A pane of one colour is a blank page: exit 1.
# Usage: tests/chm/xchm_shot.sh [-c CONTEXT] FILE.chm [SHOT.png]
#   -c CONTEXT  open the topic of that context number (xchm -c, through #IVB and #STRINGS)
# Needs Debian's xchm, xvfb, imagemagick and x11-utils (xwininfo). xchm opens a context's page from the
# disk when #STRINGS holds an absolute path that exists on this machine, so a map that names the project
# folder still shows a page here: check_chm.py is what proves the map.
set -euo pipefail
context=()
if [[ ${1:-} == -c ]]; then
  context=(-c "$2")
  shift 2
fi
[[ $# -ge 1 && -f $1 ]] || { echo "usage: $0 [-c CONTEXT] FILE.chm [SHOT.png]" >&2; exit 2; }
chm=$(realpath "$1") work=$(mktemp -d)
shot=${2:-$work/shot.png}
xvfb_pid='' xchm_pid=''
# shellcheck disable=SC2317  # run by the trap
finish() {
  kill $xchm_pid $xvfb_pid 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

# Xvfb picks a free display itself and writes its number to the file.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "xchm_shot: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 2; }
export DISPLAY=:$(head -n1 "$work/display")

# A home of its own: no settings of an earlier run (last file, window size) change what is shown.
HOME=$work XDG_CONFIG_HOME=$work/config xchm "${context[@]}" "$chm" >"$work/xchm.log" 2>&1 &
xchm_pid=$!
window=''
for _ in $(seq 100); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"xCHM/ {print $1; exit}')
  [[ -n $window ]] || ! kill -0 "$xchm_pid" 2>/dev/null && break
  sleep 0.2
done
[[ -n $window ]] || { echo "xchm_shot: no xchm window" >&2; cat "$work/xchm.log" >&2; exit 1; }

read -r left top width height < <(xwininfo -id "$window" | awk -F: '/Absolute upper-left [XY]|Width|Height/ {printf "%d ", $2} END {print ""}')
# xchm draws the page, loads the contents and then goes to the context's topic some time after the
# window appears: measure once the whole window has looked the same for a second, 30 s at most.
previous='' same=0
for _ in $(seq 60); do
  sleep 0.5
  now=$(import -window root -crop "${width}x${height}+${left}+${top}" rgb:- | md5sum)
  [[ $now == "$previous" ]] && ((++same >= 2)) && break
  [[ $now == "$previous" ]] || same=0
  previous=$now
done
# The page pane in xchm's default layout: right of the contents tree (a third of the width), between
# the tab header (under the toolbar) and the status bar.
crop="$((width * 62 / 100))x$((height * 60 / 100))+$((left + width * 35 / 100))+$((top + height * 31 / 100))"
import -window root "$shot"
convert "$shot" -crop "$crop" +repage "$work/pane.png"
read -r background colours < <(convert "$work/pane.png" -format '%[pixel:p{2,2}] %k\n' info:)
ink=$(convert "$work/pane.png" -fuzz 12% -fill white -opaque "$background" -fill black +opaque white \
  -format '%[fx:100*(1-mean)]' info:)
printf 'xchm_shot: %s%s: page pane %s: %s colours, %.2f%% ink\n' "$(basename "$chm")" \
  "${context[*]:+ (context ${context[1]})}" "$crop" "$colours" "$ink"
awk -v i="$ink" -v c="$colours" 'BEGIN {exit !(i >= 0.05 && c >= 3)}' && exit 0
echo "xchm_shot: the page pane is blank" >&2
exit 1
