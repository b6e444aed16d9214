#!/usr/bin/env bash
# Takes a picture of the main window on a fresh workspace under a virtual X server.
# Usage: scripts/screenshot.sh BUILD_DIR OUTPUT.png
set -euo pipefail
build=${1:-build}
out=${2:-docs/main-window.png}
for tool in xvfb-run import; do
  command -v "$tool" >/dev/null || { echo "screenshot needs $tool (packages xvfb, imagemagick)"; exit 1; }
done
tmp=$(mktemp -d)
trap 'pkill -KILL -f "$tmp/workspace/" 2>/dev/null || true; rm -rf "$tmp"' EXIT
cp -r "$build/workspace" "$tmp/workspace"
# A fresh workspace: no tables or side files from an earlier run.
rm -f "$tmp"/workspace/*.xml "$tmp"/workspace/*.xml.bad
for f in spam anaviri viri portappli mode track firewall ctrlpl; do rm -f "$tmp/workspace/$f.txt"; done
mkdir -p "$tmp/runtime" "$tmp/config" && chmod 700 "$tmp/runtime"
export XDG_RUNTIME_DIR="$tmp/runtime" XDG_CONFIG_HOME="$tmp/config" HOME="$tmp"
xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
  "$1/workspace/orvanel" &
  sleep 4
  import -window root "$2"
' _ "$tmp" "$tmp/shot.png"
convert "$tmp/shot.png" -trim +repage "$out"
echo "wrote $out"
