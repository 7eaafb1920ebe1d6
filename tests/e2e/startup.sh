#!/usr/bin/env bash
# End to end: the real client under Xvfb against the demo service. Passes when
# the main window shows full screen with the member's menu page rendered, and
# a second start while it runs ends at once, leaving the first running. The
# program has no command line: a debugging port asked for on it stays closed.
# The screenshot stays behind as an artefact.
# Usage: startup.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

with_port="$work/qvestra-with-debugging-port"
# The engine reads flags from the command line only without its variable.
printf '#!/bin/sh\nexec env -u QTWEBENGINE_CHROMIUM_FLAGS "%s" --webEngineArgs --remote-debugging-port=9229 "$@"\n' \
    "$client" >"$with_port"
chmod +x "$with_port"
client=$with_port
capture "$artifacts" --keep-running | tee "$artifacts/capture.log"
if (exec 3<>/dev/tcp/127.0.0.1/9229) 2>/dev/null; then
    fail "the web engine took a debugging port from the command line"
fi
grep -q 'Geometry: 1280x800' "$artifacts/capture.log" || fail "the main window does not fill the screen"
first=$(cat "$artifacts/client.pid")
timeout 30 "$client" >"$artifacts/second-start.log" 2>&1 || fail "the second start did not end by itself"
kill -0 "$first" || fail "the second start ended the first"
echo "a second start ended at once; the first keeps running"
