#!/usr/bin/env bash
# End to end, desktops where the window list cannot help. Evince runs as a
# native Wayland client on weston's headless back end, where no X11 window
# list sees it: the notice must still be gone within 10 s of the click. A
# desktop with no program for PDF at all: the notice goes and a message
# names the document. Last, the
# client itself runs natively on the Wayland compositor and builds its panels.
# Usage: desktop_viewers.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wayland-qvestra --idle-time=0 \
    >"$artifacts/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null || true; pkill -f "evince $folder" || true; e2e_cleanup' EXIT
wait_until 10 test -S "$XDG_RUNTIME_DIR/wayland-qvestra" || fail "weston did not start"

# Viewers started through xdg-open see the compositor; no mailcap entry
# stands in for a missing desktop registration.
export WAYLAND_DISPLAY=wayland-qvestra GDK_BACKEND=wayland MAILCAPS="$work/no-mailcap"
: >"$MAILCAPS"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications"
register() {
    printf '[Default Applications]\napplication/pdf=%s\n' "$1" >"$XDG_CONFIG_HOME/mimeapps.list"
}
in_x() {
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
        bash "$e2e_dir/desktop_viewers_in_x.sh" "$1" "$client" "$artifacts/$1" "$folder"
}

register org.gnome.Evince.desktop
in_x wayland-viewer

rm -f "$XDG_CONFIG_HOME/mimeapps.list"
mkdir -p "$work/no-applications"
XDG_DATA_DIRS="$work/no-applications" in_x no-viewer

# The client on the compositor itself: a fresh data folder, so the menu
# build downloads and mirrors everything before the logo copy appears.
rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
QT_QPA_PLATFORM=wayland "$client" >"$artifacts/native-wayland-client.log" 2>&1 &
native=$!
logo_or_ended() { [ -e "$folder/images/LOGO_Movei.gif" ] || ! kill -0 "$native" 2>/dev/null; }
wait_until 60 logo_or_ended
[ -e "$folder/images/LOGO_Movei.gif" ] || fail "the client on Wayland did not finish its menu build"
kill -0 "$native" || fail "the client on Wayland ended"
ls "$folder"/*.pdf | wc -l | grep -qx 5 || fail "the client on Wayland did not fetch every document"
kill -TERM "$native"
wait "$native" || true
echo "client on Wayland: panels built, documents and copies stored"
