#!/usr/bin/env bash
# End to end: the real client under Xvfb against the demo service. Passes when
# the main window shows full screen with the member's menu page rendered, and
# a second start while it runs ends at once, leaving the first running. The
# screenshot stays behind as an artefact.
# Usage: startup.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

capture "$artifacts" --keep-running | tee "$artifacts/capture.log"
grep -q 'Geometry: 1280x800' "$artifacts/capture.log" || fail "the main window does not fill the screen"
first=$(cat "$artifacts/client.pid")
timeout 30 "$client" >"$artifacts/second-start.log" 2>&1 || fail "the second start did not end by itself"
kill -0 "$first" || fail "the second start ended the first"
echo "a second start ended at once; the first keeps running"
