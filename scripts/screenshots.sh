#!/usr/bin/env bash
# Pictures of the panel's pages under a virtual X server, taken as a user would see them,
# in each of the five languages: for each, the panel starts on a fresh workspace in a
# temporary home with that language stored, the standard anti-virus test file is written
# into that home's Downloads folder (the real-time engine reports it), and every category
# that opens a page is clicked at its place in the list. The pictures of a language go to
# OUTPUT_DIR/<code>/ (fr, gb, de, esp, ita).
# The first picture, the main window in French on the fresh workspace before anything was
# found, goes to MAIN_PICTURE.
# Usage: scripts/screenshots.sh BUILD_DIR OUTPUT_DIR MAIN_PICTURE
set -euo pipefail
build=${1:-build}
out=${2:-docs/screenshots}
main=${3:-docs/main-window.png}
for tool in xvfb-run import xdotool; do
  command -v "$tool" >/dev/null || { echo "screenshots need $tool (packages xvfb, imagemagick, xdotool)"; exit 1; }
done
tmp=$(mktemp -d)
trap 'pkill -KILL -f "$tmp/workspace/" 2>/dev/null || true; rm -rf "$tmp"' EXIT

# A fresh workspace and home for one language.
prepare() {
  local code=$1
  pkill -KILL -f "$tmp/workspace/" 2>/dev/null || true
  rm -rf "$tmp/workspace" "$tmp/runtime" "$tmp/config" "$tmp/data" "$tmp/Downloads" "$tmp/Desktop"
  cp -r "$build/workspace" "$tmp/workspace"
  rm -f "$tmp"/workspace/*.xml "$tmp"/workspace/*.xml.bad
  for f in spam anaviri viri portappli mode track firewall ctrlpl; do rm -f "$tmp/workspace/$f.txt"; done
  printf '%s' '<?xml version="1.0" standalone="yes"?><DATAPACKET Version="2.0"><METADATA><FIELDS><FIELD attrname="Champ1" fieldtype="string" WIDTH="200"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW Champ1="'"$code"'"/></ROWDATA></DATAPACKET>' \
    > "$tmp/workspace/langues.xml"
  mkdir -p "$tmp/runtime" "$tmp/config" "$tmp/data" "$tmp/Downloads" "$tmp/Desktop" && chmod 700 "$tmp/runtime"
}

export XDG_RUNTIME_DIR="$tmp/runtime" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" HOME="$tmp"
# No system databases: the engines use the panel's own signature file alone.
export ORVANEL_CLAMAV_SYSTEM_DIR="$tmp/no-databases"
# Every category that opens a page, by its place in the list.
pages="0:dashboard 1:rules 2:alerts 3:network-options 4:protocols 5:settings-ports 6:switches
  7:modification-logs 8:cookies 9:backup 10:folder-search 11:clean-up 12:web-sites 13:scan
  14:internet-address 17:links 18:memory"
for code in FR GB DE ESP ITA; do
  lower=$(echo "$code" | tr '[:upper:]' '[:lower:]')
  prepare "$code"
  mkdir -p "$out/$lower"
  xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
    set -eu
    tmp=$1 out=$2 main=$3 pages=$4
    "$tmp/workspace/orvanel" &
    for _ in $(seq 50); do win=$(xdotool search --name "^Orvanel" 2>/dev/null | head -1 || true); [ -n "$win" ] && break; sleep 0.2; done
    sleep 2
    if [ -n "$main" ]; then
      import -window root "$tmp/main.png"
      convert "$tmp/main.png" -trim +repage "$main"
    fi
    # The test file in two pieces, so that no copy of it lies in the repository.
    printf "%s%s" "X5O!P%@AP[4\\PZX54(P^)7CC)7}\$EICAR-STANDARD-ANTIVIRUS" "-TEST-FILE!\$H+H*" > "$tmp/Downloads/eicar.com"
    sleep 3
    eval "$(xdotool getwindowgeometry --shell "$win")"
    click() { xdotool mousemove $((X + 60)) $((Y + 48 + 18 * $1 + 9)) click 1; sleep 1.5; }
    shot() { import -window root "$tmp/$1.png"; convert "$tmp/$1.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"; }
    for page in $pages; do
      click "${page%%:*}"; shot "${page#*:}"
    done
  ' _ "$tmp" "$out/$lower" "$([ "$code" = FR ] && echo "$main" || true)" "$pages"
done
echo "wrote $main and the pages of every language under $out/<code>/"
