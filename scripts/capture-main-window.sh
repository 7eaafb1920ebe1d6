#!/usr/bin/env bash
# Runs under an X server (DISPLAY set): starts the client, waits until its
# main window is shown with the menu page painted, saves screenshots and
# ends the client, or with --keep-running leaves it running and its process
# number in SHOT_DIR/client.pid. With --wait-for FILE the last screenshot is
# taken once FILE exists (the client has got that far). With --sign-in the
# client is expected to show the sign-in window first: it is saved as
# sign-in.png and the demo member signs in with the page's demo button.
# Usage: capture-main-window.sh CLIENT SHOT_DIR [--sign-in] [--keep-running] [--wait-for FILE]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
client=$1
shots=$2
shift 2
keep_running=
wait_for=
sign_in=
while [ $# -gt 0 ]; do
    case $1 in
        --keep-running) keep_running=--keep-running ;;
        --wait-for) wait_for=$2; shift ;;
        --sign-in) sign_in=1 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
mkdir -p "$shots"

"$client" >"$shots/client.log" 2>&1 &
client_pid=$!
echo "$client_pid" >"$shots/client.pid"
if [ "$keep_running" != --keep-running ]; then
    trap 'kill "$client_pid" 2>/dev/null || true; wait "$client_pid" 2>/dev/null || true' EXIT
fi

if [ -n "$sign_in" ]; then
    login=$(wait_for_window 60 'q_Vestra LOGIN') \
        || { echo "the sign-in window did not show" >&2; exit 1; }
    for ((i = 0; i < 60; i++)); do
        import -window root "$shots/sign-in.png"
        page_painted "$shots/sign-in.png" && break
        sleep 0.5
    done
    eval "$(xdotool getwindowgeometry --shell "$login")"
    # The demo button is the sign-in page's first element, below its header.
    xdotool mousemove $((X + 180)) $((Y + 61)) click 1
    signed_in_ns=$(date +%s%N)
    echo "signed in on the demo page; screenshot of the sign-in window: $shots/sign-in.png"
fi

title='Q_Vestraメニュー'
if ! window=$(wait_for_window 150 "$title"); then
    echo "the main window did not show" >&2
    exit 1
fi
echo "main window shown: $(xdotool getwindowgeometry "$window" | tr '\n' ' ')"
if [ -n "$sign_in" ]; then
    echo "main window shown $((($(date +%s%N) - signed_in_ns) / 1000000)) ms after signing in"
fi

for ((i = 0; i < 60; i++)); do
    import -window root "$shots/main-window.png"
    if page_painted "$shots/main-window.png"; then
        if [ -n "$wait_for" ]; then
            wait_until 60 test -e "$wait_for" || { echo "$wait_for did not appear" >&2; exit 1; }
            import -window root "$shots/main-window.png"
        fi
        echo "menu page rendered; screenshot: $shots/main-window.png"
        exit 0
    fi
    sleep 0.5
done
echo "the menu page was not rendered; last screenshot: $shots/main-window.png" >&2
exit 1
