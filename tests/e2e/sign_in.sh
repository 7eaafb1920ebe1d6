#!/usr/bin/env bash
# End to end: a first start on an empty HOME shows the sign-in page; signing
# in on it brings up the main window with the member's menu page. A member
# whose contract the service cancelled loses the data folder at the next
# start, and the start after that shows the sign-in window again.
# Usage: sign_in.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"
rm -rf "$folder"

xvfb-run -a -s "-screen 0 1280x800x24 -noreset" "$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts/first-start" \
    --sign-in | tee "$artifacts/first-start.log"
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-12|3\r\n' ] || fail "the user file does not hold A-12|3"
shown_ms=$(sed -n 's/^main window shown \([0-9]*\) ms after signing in$/\1/p' "$artifacts/first-start.log")
# One poll interval (3 s), then the main window's own start.
[ "${shown_ms:-99999}" -lt 10000 ] || fail "the main window took ${shown_ms:-?} ms after signing in"

# The service has cancelled A-0056's contract.
mkdir -p "$folder"
printf 'A-0056|3\r\n' >"$folder/qvuser.txt"
echo "an earlier document" >"$folder/m01.pdf"
cancelled_start() {
    timeout 60 "$1" >"$2/cancelled-start.log" 2>&1
}
xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c "$(declare -f cancelled_start); cancelled_start '$client' '$artifacts'" \
    || fail "the client did not end by itself after the cancellation"
[ ! -e "$folder" ] || fail "the data folder is still there after K_CANCEL"

next_start() {
    "$1" >"$2/next-start.log" 2>&1 &
    local pid=$!
    wait_for_window 60 'q_Vestra LOGIN' >/dev/null
    local found=$?
    import -window root "$2/next-start.png"
    kill "$pid"
    return "$found"
}
xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c "$(declare -f next_start wait_for_window); next_start '$client' '$artifacts'" \
    || fail "the next start did not show the sign-in window"
echo "cancelled member: data folder removed, next start shows the sign-in window"
