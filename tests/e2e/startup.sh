#!/usr/bin/env bash
# End to end: the real client under Xvfb against the demo service. Passes when
# the main window shows full screen with the member's menu page rendered, and
# a second start while it runs ends at once, leaving the first running. The
# program has no command line: an argument, such as one for the web engine's
# debugging port, is refused before any window; and the engine's variables
# in its environment open no debugging port either.
# The screenshot stays behind as an artefact.
# Usage: startup.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

no_debugging_port() {
    if (exec 3<>/dev/tcp/127.0.0.1/9222 || exec 3<>/dev/tcp/127.0.0.1/9229) 2>/dev/null; then fail "$1 opened a debugging port"; fi
}
status=0
timeout 30 "$client" --webEngineArgs --remote-debugging-port=9229 2>"$artifacts/argument.log" || status=$?
[ "$status" = 2 ] || fail "an argument was not refused (status $status)"
grep -q 'unknown option: --webEngineArgs' "$artifacts/argument.log" || fail "the refusal does not say why"
no_debugging_port "an argument"

export QTWEBENGINE_REMOTE_DEBUGGING=9229
export QTWEBENGINE_CHROMIUM_FLAGS="--remote-debugging-port=9222 --remote-allow-origins=*"
capture "$artifacts" --keep-running | tee "$artifacts/capture.log"
no_debugging_port "the engine's variables"
grep -q 'Geometry: 1280x800' "$artifacts/capture.log" || fail "the main window does not fill the screen"
first=$(cat "$artifacts/client.pid")
timeout 30 "$client" >"$artifacts/second-start.log" 2>&1 || fail "the second start did not end by itself"
kill -0 "$first" || fail "the second start ended the first"
