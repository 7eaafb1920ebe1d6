#!/usr/bin/env bash
# End to end, a host that stops sending a document halfway (the demo service
# holds it for 300 s, far past the minimum speed's window of 60 s) cannot
# hold the client's transfers: within that window and a few seconds the
# transfer ends, its part kept with its record, and the transfers asked for
# behind it go out: the other documents and the copies for the offline
# start.
# Usage: stalled_host.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
demo_args=(--stall-document-seconds 300 --large-mib 1)
source "$(dirname "$0")/e2e_lib.sh"
log="$artifacts/demo-service.log"

capture "$artifacts" --keep-running >"$artifacts/capture.log" || fail "the main window did not show"
wait_until 30 grep -q ' stalls 300 s after ' "$log" || fail "no document stalled"
stalled=$(sed -n 's/^qvestra-demo: \([^ ]*\) stalls .*/\1/p' "$log" | head -n 1)
echo "$stalled stalls halfway"
wait_until 80 test -e "$folder/images/LOGO_Movei.gif" \
    || fail "the transfers behind the stalled one did not go out within 80 s"
[ -s "$folder/.$stalled.part" ] && [ -s "$folder/.$stalled.resume" ] \
    || fail "the stalled document's part and record were not kept"
[ ! -e "$folder/$stalled" ] || fail "the stalled document was stored"
