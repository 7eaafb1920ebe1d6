#!/usr/bin/env bash
# Runs under an X server (DISPLAY set): starts the client, waits until its
# main window is shown with the menu page painted, saves screenshots and
# ends the client, or with --keep-running leaves it running and its process
# number in SHOT_DIR/client.pid. With --wait-for FILE the last screenshot is
# taken once FILE exists (the client has got that far).
# Usage: capture-main-window.sh CLIENT SHOT_DIR [--keep-running | --wait-for FILE]
set -euo pipefail
client=$1
shots=$2
keep_running=${3:-}
wait_for=
[ "$keep_running" = --wait-for ] && wait_for=$4
mkdir -p "$shots"

"$client" >"$shots/client.log" 2>&1 &
client_pid=$!
echo "$client_pid" >"$shots/client.pid"
if [ "$keep_running" != --keep-running ]; then
    trap 'kill "$client_pid" 2>/dev/null || true; wait "$client_pid" 2>/dev/null || true' EXIT
fi

title='Q_Vestraメニュー'
if ! window=$(timeout 150 xdotool search --sync --onlyvisible --name "$title" | head -n 1); then
    echo "the main window did not show" >&2
    exit 1
fi
echo "main window shown: $(xdotool getwindowgeometry "$window" | tr '\n' ' ')"

# The menu page's header band is this blue; once it is on screen the page has
# been rendered, not merely requested.
for ((i = 0; i < 60; i++)); do
    import -window root "$shots/main-window.png"
    colours=$(convert "$shots/main-window.png" -format %c histogram:info:-)
    if grep -q 'srgb(31,63,159)' <<<"$colours"; then
        if [ -n "$wait_for" ]; then
            for ((j = 0; j < 600; j++)); do
                [ -e "$wait_for" ] && break
                sleep 0.1
            done
            [ -e "$wait_for" ] || { echo "$wait_for did not appear" >&2; exit 1; }
            import -window root "$shots/main-window.png"
        fi
        echo "menu page rendered; screenshot: $shots/main-window.png"
        exit 0
    fi
    sleep 0.5
done
echo "the menu page was not rendered; last screenshot: $shots/main-window.png" >&2
exit 1
