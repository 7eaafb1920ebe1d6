#!/usr/bin/env bash
# The X side of desktop_viewers.sh. Usage: desktop_viewers_in_x.sh STEP CLIENT ARTIFACT_DIR DATA_FOLDER
# STEP: wayland-viewer (Evince on the compositor), no-viewer.
set -euo pipefail
step=$1
client=$2
artifacts=$3
folder=$4
repo_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo_dir/scripts/lib.sh"

"$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" --keep-running \
    --wait-for "$folder/images/LOGO_Movei.gif"
trap 'kill "$(cat "$artifacts/client.pid")" 2>/dev/null || true' EXIT
# Cmd(0), then its second item (hiragana2.pdf), as in open_document_in_x.sh.
xdotool mousemove 132 307 click 1
sleep 0.5
xdotool mousemove 365 339 click 1
clicked=$(date +%s%N)
# Where no viewer comes, the notice may be gone before a poll could see it;
# only the viewer's run must show it.
if [ "$step" = wayland-viewer ]; then
    wait_for_window 5 'A c r o b a t' >/dev/null || fail "$step: no notice after the click"
    import -window root "$artifacts/notice.png"
fi
wait_for_window_gone 10 'A c r o b a t' || fail "$step: the notice is still there 10 s after the click"
gone_ms=$((($(date +%s%N) - clicked) / 1000000))
case $step in
    wayland-viewer)
        pgrep -f "evince $folder/hiragana2.pdf" >/dev/null || fail "Evince did not open the document"
        echo "Evince on Wayland: notice gone ${gone_ms} ms after the click"
        ;;
    *)
        box=$(wait_for_window 5 '^QVestra$') || fail "$step: no message that the document could not be opened"
        import -window root "$artifacts/message.png"
        xdotool windowfocus "$box" key Return
        wait_for_window_gone 5 '^QVestra$' || fail "$step: the message stayed"
        kill -0 "$(cat "$artifacts/client.pid")" || fail "$step: the client ended"
        echo "$step: notice gone ${gone_ms} ms after the click, message shown"
        ;;
esac
