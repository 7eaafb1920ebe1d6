# Shared set-up of the end-to-end tests. Sourced by a test script that was
# called as: SCRIPT CLIENT DEMO_SERVICE ARTIFACT_DIR. It re-runs the script in
# a private network namespace under an X server of its own, starts the demo
# service there and prepares a temporary HOME with the demo member's user
# file. Every client started through capture is ended with the script.
client=$1
demo=$2
artifacts=$3
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_dir=$(cd "$e2e_dir/../.." && pwd)

if [ "${QVESTRA_IN_TEST_NETNS:-}" != 1 ]; then
    exec unshare --net --map-root-user env QVESTRA_IN_TEST_NETNS=1 \
        xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$0" "$@"
fi
ip link set lo up

source "$repo_dir/scripts/lib.sh"
work=$(mktemp -d)
e2e_cleanup() {
    local pid_file
    for pid_file in $(find "$artifacts" -name client.pid); do stop_client "$(dirname "$pid_file")"; done
    if [ -n "${demo_pid:-}" ]; then kill "$demo_pid" 2>/dev/null && wait "$demo_pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap e2e_cleanup EXIT

mkdir -p "$work/home/qvestrafolder" "$artifacts"
# Process numbers left by an earlier run name other processes by now.
find "$artifacts" -name client.pid -delete
printf 'A-12|3\r\n' >"$work/home/qvestrafolder/qvuser.txt"

# A test may set demo_args before sourcing this file.
"$demo" ${demo_args[@]+"${demo_args[@]}"} >"$artifacts/demo-service.log" 2>&1 &
demo_pid=$!
service_port=$(sed -n 's/^QVESTRA_SERVICE_PORT:STRING=//p' "$(dirname "$demo")/../CMakeCache.txt")
service_port=${service_port:-80}
wait_for_port 127.0.0.1 "$service_port" 10

webengine_environment
# The private network has no proxy of the host's; a test that wants one names it.
unset http_proxy HTTP_PROXY no_proxy NO_PROXY
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION


# register_standin_viewer: the desktop's PDF viewer becomes a stand-in that
# takes a moment to start, like a real one, and names its window after the
# document, as viewers here do.
register_standin_viewer() {
    mkdir -p "$work/bin" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
    cat >"$work/bin/standin-viewer" <<'VIEWER'
#!/bin/sh
sleep 1
exec xmessage -title "$(basename "$1") - Stand-in Viewer" "viewing $1"
VIEWER
    chmod +x "$work/bin/standin-viewer"
    cat >"$XDG_DATA_HOME/applications/standin-viewer.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Stand-in Viewer
Exec=$work/bin/standin-viewer %f
MimeType=application/pdf;
DESKTOP
    printf '[Default Applications]\napplication/pdf=standin-viewer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
}

# capture SHOT_DIR [options]: the client started and photographed by
# scripts/capture-main-window.sh.
capture() {
    "$repo_dir/scripts/capture-main-window.sh" "$client" "$@"
}

# stop_client SHOT_DIR: ends the client a capture left running there, and
# waits until it is gone, so that its windows are too.
stop_client() {
    local pid
    pid=$(cat "$1/client.pid" 2>/dev/null) || return 0
    rm -f "$1/client.pid"
    kill "$pid" 2>/dev/null || return 0
    wait_until 10 eval '! kill -0 "$pid" 2>/dev/null'
}

# Twips to pixels at 96 dpi (15 a pixel), below a menu bar of about 23
# pixels: Cmd(0) is the first group, CmdSub(1) the second item of Frame3.
open_second_item_of_first_group() {
    xdotool mousemove 132 307 click 1
    sleep 0.5
    xdotool mousemove 365 339 click 1
}

# open_a_document SHOT_DIR [--progress]: a start of the client, with
# --progress watching the progress window of a document it downloads; a
# group and an item clicked, the notice seen, the stand-in viewer's window
# coming, and the notice closing about 2 s after it.
open_a_document() {
    local shots=$1 capture_pid seen closed_ms
    capture "$shots" --keep-running &
    capture_pid=$!
    if [ "${2:-}" = --progress ]; then
        wait_for_window 30 '^初期処理$' >/dev/null || fail "no progress window for the download"
        sleep 1
        import -window root "$shots/progress.png"
        echo "progress window shown; screenshot: $shots/progress.png"
        wait_for_window_gone 60 '^初期処理$' || fail "the progress window stayed"
    fi
    wait "$capture_pid" || fail "the main window did not show its menu page"
    open_second_item_of_first_group
    wait_for_window 10 'A c r o b a t' >/dev/null || fail "no notice after opening a document"
    import -window root "$shots/notice-and-items.png"
    wait_for_window 15 'hiragana2.pdf - Stand-in Viewer' >/dev/null \
        || fail "the viewer did not open hiragana2.pdf"
    seen=$(date +%s%N)
    wait_for_window_gone 6 'A c r o b a t' || fail "the notice did not close"
    closed_ms=$((($(date +%s%N) - seen) / 1000000))
    import -window root "$shots/viewer-in-front.png"
    echo "notice closed ${closed_ms} ms after the viewer's window appeared"
    [ "$closed_ms" -ge 1000 ] || fail "the notice closed before its two seconds"
    stop_client "$shots"
}
