#!/usr/bin/env bash
# End to end: a first start on an empty HOME shows the sign-in page; signing
# in on it brings up the main window with the member's menu page.
# Usage: sign_in.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"
rm -rf "$folder"

capture "$artifacts/first-start" --sign-in | tee "$artifacts/first-start.log"
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-12|3\r\n' ] || fail "the user file does not hold A-12|3"
shown_ms=$(sed -n 's/^main window shown \([0-9]*\) ms after signing in$/\1/p' "$artifacts/first-start.log")
# One poll interval (3 s), then the main window's own start.
[ "${shown_ms:-99999}" -lt 10000 ] || fail "the main window took ${shown_ms:-?} ms after signing in"

