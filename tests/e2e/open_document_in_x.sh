#!/usr/bin/env bash
# The X side of open_document.sh, run under Xvfb: start the client, click a
# group and an item, watch the notice and the viewer's window.
# Usage: open_document_in_x.sh CLIENT ARTIFACT_DIR
set -euo pipefail
client=$1
artifacts=$2
repo_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo_dir/scripts/lib.sh"
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

"$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" --keep-running
trap 'kill "$(cat "$artifacts/client.pid")" 2>/dev/null || true' EXIT
# Twips to pixels at 96 dpi (15 a pixel), below a menu bar of about 23
# pixels: Cmd(0) is the first group, CmdSub(1) the second item of Frame3.
xdotool mousemove 132 307 click 1
sleep 0.5
xdotool mousemove 365 339 click 1
wait_for_window 10 'A c r o b a t' >/dev/null \
    || fail "no notice after opening a document"
import -window root "$artifacts/notice-and-items.png"
viewer=$(wait_for_window 15 'hiragana2.pdf - Stand-in Viewer') \
    || fail "the viewer did not open hiragana2.pdf"
seen=$(date +%s%N)
while xdotool search --onlyvisible --name 'A c r o b a t' >/dev/null 2>&1; do
    [ $(($(date +%s%N) - seen)) -lt 6000000000 ] || fail "the notice did not close"
    sleep 0.1
done
closed_ms=$((($(date +%s%N) - seen) / 1000000))
import -window root "$artifacts/viewer-in-front.png"
echo "notice closed ${closed_ms} ms after the viewer's window appeared"
[ "$closed_ms" -ge 1000 ] || fail "the notice closed before its two seconds"
[ "$(xdotool getactivewindow 2>/dev/null || xdotool getwindowfocus)" = "$viewer" ] \
    || echo "note: focus not reported on the viewer (no window manager)"
