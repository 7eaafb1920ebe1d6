#!/usr/bin/env bash
# End to end: an applicant applies for a contract and completes it on the
# demo page; the main window returns to the menu page with its panels and
# the user file says "applied". A contracted member changes the contents the
# same way. The help window shows online and, with the service stopped,
# offline.
# Usage: contract.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"

printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
xvfb-run -a -s "-screen 0 1280x800x24" bash "$e2e_dir/contract_in_x.sh" apply "$client" "$artifacts/apply" "$folder" "$service_port"
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-0034|2\r\n' ] || fail "the user file does not say applied"

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
xvfb-run -a -s "-screen 0 1280x800x24" bash "$e2e_dir/contract_in_x.sh" change "$client" "$artifacts/change" "$folder" "$service_port"

kill "$demo_pid"
wait "$demo_pid" 2>/dev/null || true
demo_pid=
xvfb-run -a -s "-screen 0 1280x800x24" bash "$e2e_dir/contract_in_x.sh" help-offline "$client" "$artifacts/help-offline" "$folder"
