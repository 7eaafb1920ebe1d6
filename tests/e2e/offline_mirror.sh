#!/usr/bin/env bash
# End to end: an online start downloads the documents and mirrors the
# member's page; with the service stopped, the next start shows the mirrored
# page and the same group buttons. The mirror came over plain HTTP: a script
# planted in it does not run (its page shows what it shows only without
# scripts, and its logo), and neither it nor a refresh reaches another
# program, by TCP or by a peer connection's UDP.
# Usage: offline_mirror.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

folder="$HOME/qvestrafolder"
# The mirrored logo is the last file an online start writes.
capture "$artifacts/online" --wait-for "$folder/images/LOGO_Movei.gif"
# What each file holds, and that no temporary file stays, is the nginx
# run's concern; here, that the large one came whole.
workbook=$(stat -c %s "$folder/katakana-workbook.pdf")
[ "$workbook" -ge $((64 * 1024 * 1024)) ] || fail "the large document is incomplete ($workbook bytes)"

stop_demo

# Another local program, listening where the planted script sends what it reads.
"$demo" --listen 127.0.0.1 --port 8081 >"$artifacts/listener.log" 2>&1 &
demo_pid=$!
wait_for_port 127.0.0.1 8081 10
socat -u UDP-RECV:3478,bind=127.0.0.1 "OPEN:$artifacts/stun.log,creat,trunc" &
stun_pid=$!
trap 'kill "$stun_pid" 2>/dev/null || true; e2e_cleanup' EXIT
script=$(sed -e "s|LISTENER_PORT|8081|g" -e "s|STUN_PORT|3478|g" -e "s|MEMBER_HOME|$HOME|g" \
    "$e2e_dir/../data/planted-script.html")
awk -v planted="$script" '/<\/body>/ { print planted } { print }' "$folder/A-12.html" >"$work/planted.html"
mv "$work/planted.html" "$folder/A-12.html"
capture "$artifacts/offline" --keep-running
planted_shown() {
    import -window root "$artifacts/offline/planted.png"
    local colours
    colours=$(convert "$artifacts/offline/planted.png" -format %c histogram:info:-)
    grep -q '#00FF00' <<<"$colours"
}
wait_until 60 planted_shown || fail "the planted page did not show as a page without scripts"
# Its refresh and its logo have had their moment.
sleep 2
import -window root "$artifacts/offline/planted.png"
convert "$artifacts/offline/planted.png" -format %c histogram:info:- | grep -q '#FF0000' \
    && fail "the planted script ran"
if grep -q 'request:' "$artifacts/listener.log"; then
    fail "the offline page reached another program: $(grep 'request:' "$artifacts/listener.log")"
fi
# A STUN request would be on its way within the time the page has shown.
kill "$stun_pid" 2>/dev/null || true
[ ! -s "$artifacts/stun.log" ] || fail "the offline page sent UDP to the STUN port"
stop_client "$artifacts/offline"

differing=$(panel_difference "$artifacts/online/main-window.png" "$artifacts/offline/main-window.png")
echo "group panel pixels differing between online and offline start: $differing"
[ "$differing" = 0 ] || fail "the offline start shows other group buttons"
