#!/usr/bin/env bash
# End to end: the real client under Xvfb against the demo service. Passes when
# the main window shows full screen with the member's menu page rendered; the
# screenshot stays behind as an artefact.
# Usage: startup.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

xvfb-run -a -s "-screen 0 1280x800x24" "$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" \
    | tee "$artifacts/capture.log"
grep -q 'Geometry: 1280x800' "$artifacts/capture.log" || fail "the main window does not fill the screen"
