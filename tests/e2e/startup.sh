#!/usr/bin/env bash
# End to end: the real client under Xvfb against the demo service. Passes when
# the main window shows full screen with the member's menu page rendered, and
# a second start while it runs ends at once, leaving the first running. The
# screenshot stays behind as an artefact.
# Usage: startup.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c '
    set -euo pipefail
    "$0" "$1" "$2" --keep-running
    first=$(cat "$2/client.pid")
    trap "kill $first 2>/dev/null || true" EXIT
    timeout 30 "$1" >"$2/second-start.log" 2>&1 || { echo "FAILED: the second start did not end by itself" >&2; exit 1; }
    kill -0 "$first" || { echo "FAILED: the second start ended the first" >&2; exit 1; }
    echo "a second start ended at once; the first keeps running"
' "$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" | tee "$artifacts/capture.log"
grep -q 'Geometry: 1280x800' "$artifacts/capture.log" || fail "the main window does not fill the screen"
grep -q 'a second start ended at once' "$artifacts/capture.log" || fail "no second start was checked"
