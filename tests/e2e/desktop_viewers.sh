#!/usr/bin/env bash
# End to end, desktops where the window list cannot help. Evince runs as a
# native Wayland client on weston's headless back end, where no X11 window
# list sees it: the notice must still go by itself (the wait's limit is 6 s;
# 30 s after the click is the hang guard). A desktop with no program for PDF
# at all: the notice goes and a message names the document. Last, the client
# itself runs natively on the Wayland compositor and builds its panels.
# Usage: desktop_viewers.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wayland-qvestra --idle-time=0 \
    >"$artifacts/weston.log" 2>&1 &
at_exit "kill $!; pkill -f 'evince $folder'"
wait_until 10 test -S "$XDG_RUNTIME_DIR/wayland-qvestra" || fail "weston did not start"

# Viewers started through xdg-open see the compositor; no mailcap entry
# stands in for a missing desktop registration.
export WAYLAND_DISPLAY=wayland-qvestra GDK_BACKEND=wayland MAILCAPS="$work/no-mailcap"
: >"$MAILCAPS"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"

# click_for_the_second_item STEP: a start whose menu build is done, and a
# click on the first group's second item (hiragana2.pdf).
click_for_the_second_item() {
    shots=$artifacts/$1
    QT_QPA_PLATFORM=xcb capture "$shots" --keep-running --wait-for "$folder/images/LOGO_Movei.gif"
    open_second_item_of_first_group
    clicked=$(date +%s%N)
}

printf '[Default Applications]\napplication/pdf=org.gnome.Evince.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
click_for_the_second_item wayland-viewer
wait_for_window 60 'A c r o b a t' >/dev/null || fail "Evince: no notice after the click"
wait_for_window_gone 30 'A c r o b a t' || fail "Evince: the notice is still there 30 s after the click"
echo "Evince on Wayland: notice gone $(ms_since "$clicked") ms after the click"
pgrep -f "evince $folder/hiragana2.pdf" >/dev/null || fail "Evince did not open the document"
stop_client "$shots"

# A desktop with its MIME database but no program for PDF: the desktop's
# refusal takes the notice along before the message that says so shows.
rm -f "$XDG_CONFIG_HOME/mimeapps.list"
mkdir -p "$work/no-applications"
ln -s /usr/share/mime "$work/no-applications/mime"
XDG_DATA_DIRS="$work/no-applications" click_for_the_second_item no-viewer
box=$(wait_for_window 60 '^QVestra$') || fail "no viewer: no message that the document could not be opened"
echo "no viewer: message shown $(ms_since "$clicked") ms after the click"
import -window root "$shots/message.png"
grep -q "no method available for opening '.*/hiragana2.pdf'" "$shots/client.log" || fail "no viewer: the document was not handed to the desktop"
if xdotool search --onlyvisible --name 'A c r o b a t' >/dev/null 2>&1; then fail "no viewer: the notice stayed beside the message"; fi
xdotool windowfocus "$box" key Return
wait_for_window_gone 60 '^QVestra$' || fail "no viewer: the message stayed"
kill -0 "$(cat "$shots/client.pid")" || fail "no viewer: the client ended"
stop_client "$shots"

# The client on the compositor itself: a fresh data folder, so the menu
# build downloads and mirrors everything before the logo copy appears.
rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
QT_QPA_PLATFORM=wayland start_client "$artifacts/native-wayland"
logo_or_ended() { [ -e "$folder/images/LOGO_Movei.gif" ] || gone "$client_pid"; }
wait_until 60 logo_or_ended || fail "the client on Wayland did not finish its menu build"
! gone "$client_pid" || fail "the client on Wayland ended"
ls "$folder"/*.pdf | wc -l | grep -qx 5 || fail "the client on Wayland did not fetch every document"
