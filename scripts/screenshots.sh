#!/usr/bin/env bash
# Pictures of the panel's pages under a virtual X server, taken as a user would see them:
# the panel starts on a fresh workspace in a temporary home, the standard anti-virus test
# file is written into that home's Downloads folder (the real-time engine reports it), and
# the categories are clicked at their places in the list.
# The first picture, the main window on the fresh workspace before anything was found,
# goes to MAIN_PICTURE.
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
cp -r "$build/workspace" "$tmp/workspace"
rm -f "$tmp"/workspace/*.xml "$tmp"/workspace/*.xml.bad
for f in spam anaviri viri portappli mode track firewall ctrlpl; do rm -f "$tmp/workspace/$f.txt"; done
mkdir -p "$tmp/runtime" "$tmp/config" "$tmp/data" "$tmp/Downloads" "$tmp/Desktop" && chmod 700 "$tmp/runtime"
export XDG_RUNTIME_DIR="$tmp/runtime" XDG_CONFIG_HOME="$tmp/config" XDG_DATA_HOME="$tmp/data" HOME="$tmp"
# No system databases: the engines use the panel's own signature file alone.
export ORVANEL_CLAMAV_SYSTEM_DIR="$tmp/no-databases"
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
  set -eu
  tmp=$1 out=$2 main=$3
  "$tmp/workspace/orvanel" &
  for _ in $(seq 50); do win=$(xdotool search --name "^Orvanel" 2>/dev/null | head -1 || true); [ -n "$win" ] && break; sleep 0.2; done
  sleep 2
  import -window root "$tmp/main.png"
  convert "$tmp/main.png" -trim +repage "$main"
  # The test file in two pieces, so that no copy of it lies in the repository.
  printf "%s%s" "X5O!P%@AP[4\\PZX54(P^)7CC)7}\$EICAR-STANDARD-ANTIVIRUS" "-TEST-FILE!\$H+H*" > "$tmp/Downloads/eicar.com"
  sleep 3
  eval "$(xdotool getwindowgeometry --shell "$win")"
  click() { xdotool mousemove $((X + 60)) $((Y + 48 + 18 * $1 + 9)) click 1; sleep 1.5; }
  shot() { import -window root "$tmp/$1.png"; convert "$tmp/$1.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"; }
  click 0; shot dashboard
  click 2; shot alerts
  for page in 8:cookies 10:folder-search 11:clean-up 12:web-sites 14:internet-address 17:links 18:memory 5:settings-ports 13:scan; do
    click "${page%%:*}"; shot "page-${page#*:}"
  done
' _ "$tmp" "$out" "$main"
echo "wrote $main, $out/dashboard.png, $out/alerts.png and $out/page-*.png"
