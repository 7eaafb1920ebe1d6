# Shared set-up of the end-to-end tests. Sourced by a test script that was
# called as: SCRIPT CLIENT DEMO_SERVICE ARTIFACT_DIR. It re-runs the script in
# a private network namespace, starts the demo service there and prepares a
# temporary HOME with the demo member's user file.
client=$1
demo=$2
artifacts=$3
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_dir=$(cd "$e2e_dir/../.." && pwd)

if [ "${QVESTRA_IN_TEST_NETNS:-}" != 1 ]; then
    exec unshare --net --map-root-user env QVESTRA_IN_TEST_NETNS=1 bash "$0" "$@"
fi
ip link set lo up

source "$repo_dir/scripts/lib.sh"
work=$(mktemp -d)
e2e_cleanup() {
    if [ -n "${demo_pid:-}" ]; then kill "$demo_pid" 2>/dev/null && wait "$demo_pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap e2e_cleanup EXIT

mkdir -p "$work/home/qvestrafolder" "$artifacts"
printf 'A-12|3\r\n' >"$work/home/qvestrafolder/qvuser.txt"

# A test may set demo_args before sourcing this file.
"$demo" ${demo_args[@]+"${demo_args[@]}"} >"$artifacts/demo-service.log" 2>&1 &
demo_pid=$!
service_port=$(sed -n 's/^QVESTRA_SERVICE_PORT:STRING=//p' "$(dirname "$demo")/../CMakeCache.txt")
service_port=${service_port:-80}
wait_for_port 127.0.0.1 "$service_port" 10

webengine_environment
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
