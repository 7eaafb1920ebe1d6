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

# The mirrored logo is the last file an online start writes.
capture "$artifacts/online" --wait-for "$folder/images/LOGO_Movei.gif"
# What each file holds, and that no temporary file stays, is the nginx
# run's concern; here, that the large one came whole.
workbook=$(stat -c %s "$folder/katakana-workbook.pdf")
[ "$workbook" -ge $((64 * 1024 * 1024)) ] || fail "the large document is incomplete ($workbook bytes)"

stop_demo
# Another local program, listening where the planted script sends what it reads.
start_demo listener.log 8081 --listen 127.0.0.1 --port 8081
socat -u UDP-RECV:3478,bind=127.0.0.1 "OPEN:$artifacts/stun.log,creat,trunc" &
stun_pid=$!
at_exit 'kill "$stun_pid"'
script=$(sed -e "s|LISTENER_PORT|8081|g" -e "s|STUN_PORT|3478|g" -e "s|MEMBER_HOME|$HOME|g" \
    "$e2e_dir/../data/planted-script.html")
awk -v planted="$script" '/<\/body>/ { print planted } { print }' "$folder/A-12.html" >"$work/planted.html"
mv "$work/planted.html" "$folder/A-12.html"
capture "$artifacts/offline" --keep-running
wait_until 60 screen_has '#00FF00' || fail "the planted page did not show as a page without scripts"
# Its refresh and its logo have their moment, in which the script would turn
# the page red.
if wait_until 3 screen_has '#FF0000'; then cp "$work/screen.png" "$artifacts/offline/ran.png"; fail "the planted script ran"; fi
import -window root "$artifacts/offline/planted.png"
if grep -q 'request:' "$artifacts/listener.log"; then
    fail "the offline page reached another program: $(grep 'request:' "$artifacts/listener.log")"
fi
# A STUN request would be on its way within the time the page has shown.
kill "$stun_pid" 2>/dev/null || true
[ ! -s "$artifacts/stun.log" ] || fail "the offline page sent UDP to the STUN port"
[ "$(panel_difference "$artifacts/online/main-window.png" "$artifacts/offline/main-window.png")" = 0 ] \
    || fail "the offline start shows other group buttons than the online one"
