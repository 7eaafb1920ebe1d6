#!/usr/bin/env bash
# End to end: the real client under Xvfb against the demo service, both in a
# private network namespace where the demo owns port 80. Passes when the main
# window shows full screen with the member's menu page rendered; the
# screenshot stays behind as an artefact.
# Usage: startup.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
client=$1
demo=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)

if [ "${QVESTRA_IN_TEST_NETNS:-}" != 1 ]; then
    exec unshare --net --map-root-user env QVESTRA_IN_TEST_NETNS=1 bash "$0" "$@"
fi
ip link set lo up

source "$here/../../scripts/lib.sh"
work=$(mktemp -d)
cleanup() {
    [ -n "${demo_pid:-}" ] && kill "$demo_pid" 2>/dev/null && wait "$demo_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/home/qvestrafolder" "$artifacts"
printf 'A-12|3\r\n' >"$work/home/qvestrafolder/qvuser.txt"

"$demo" >"$artifacts/demo-service.log" 2>&1 &
demo_pid=$!
port=$(sed -n 's/^QVESTRA_SERVICE_PORT:STRING=//p' "$(dirname "$demo")/../CMakeCache.txt")
wait_for_port 127.0.0.1 "${port:-80}" 10

webengine_environment
export HOME="$work/home"
xvfb-run -a -s "-screen 0 1280x800x24" "$here/../../scripts/capture-main-window.sh" "$client" "$artifacts" \
    | tee "$artifacts/capture.log"
grep -q 'Geometry: 1280x800' "$artifacts/capture.log" || {
    echo "the main window does not fill the screen" >&2
    exit 1
}
