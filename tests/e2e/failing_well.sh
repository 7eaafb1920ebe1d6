#!/usr/bin/env bash
# End to end, failing well. A member the service does not know gets the
# program's own page in place of the service's error page. The service
# stops while the client runs: an item whose document is not there is asked
# for at once, fails, and the member is told why; the service comes back and
# 再試行 (the message's default, Return) stores the document and opens it.
# What the member saw is read from the client's log, which names it.
# Usage: failing_well.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

printf 'A-99|3\r\n' >"$folder/qvuser.txt"
capture "$artifacts/unknown" --keep-running >/dev/null
wait_until 30 grep -q 'could not be shown ( QWebEngineLoadingInfo::HttpStatusCodeDomain 404 ): the program' "$client_log" \
    || fail "an error status did not give way to the program's page"
stop_client "$artifacts/unknown"
echo "an unknown member: the program's page in place of the service's error"

printf 'A-12|3\r\n' >"$folder/qvuser.txt"
capture "$artifacts/online" --keep-running --wait-for "$folder/images/LOGO_Movei.gif" >/dev/null
wait_until 60 screen_shows "${group_panel_painted[@]}" || fail "the group panel did not show"
rm "$folder/hiragana2.pdf"
stop_demo
open_second_item_of_first_group
wait_until 30 grep -q '/hiragana2.pdf not stored (no connection)' "$client_log" || fail "no failure was logged"
box=$(wait_for_window 30 '^QVestra$') || fail "the member was not told"
import -window root "$artifacts/told.png"
start_demo demo-service-back.log "$service_port"
xdotool windowfocus --sync "$box" key Return
wait_until 30 test -e "$folder/hiragana2.pdf" || fail "再試行 did not store the document"
wait_for_window 30 'A c r o b a t' >/dev/null || fail "the document was not opened"
