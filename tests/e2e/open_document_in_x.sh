#!/usr/bin/env bash
# The X side of open_document.sh, run under Xvfb: start the client, with
# --progress watch the progress window of a document it downloads, click a
# group and an item, watch the notice and the viewer's window.
# Usage: open_document_in_x.sh CLIENT ARTIFACT_DIR [--progress]
set -euo pipefail
client=$1
artifacts=$2
progress=${3:-}
repo_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo_dir/scripts/lib.sh"

# The start builds the menu, downloads included, before its window shows.
"$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" --keep-running &
capture=$!
trap 'kill "$(cat "$artifacts/client.pid")" 2>/dev/null || true' EXIT
if [ "$progress" = --progress ]; then
    wait_for_window 30 '^初期処理$' >/dev/null || fail "no progress window for the download"
    sleep 1
    import -window root "$artifacts/progress.png"
    echo "progress window shown; screenshot: $artifacts/progress.png"
    wait_for_window_gone 60 '^初期処理$' || fail "the progress window stayed"
fi
wait "$capture" || fail "the main window did not show its menu page"
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
wait_for_window_gone 6 'A c r o b a t' || fail "the notice did not close"
closed_ms=$((($(date +%s%N) - seen) / 1000000))
import -window root "$artifacts/viewer-in-front.png"
echo "notice closed ${closed_ms} ms after the viewer's window appeared"
[ "$closed_ms" -ge 1000 ] || fail "the notice closed before its two seconds"
