#!/usr/bin/env bash
# End to end: an applicant applies for a contract and completes it on the
# demo page; the main window returns to the menu page with its panels
# rebuilt and the user file says "applied". A contracted member changes the
# contents the same way and opens the help window.
# Usage: contract.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"

in_x() {
    xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$e2e_dir/contract_in_x.sh" "$1" "$client" "$artifacts/$1" "$folder" "$service_port" "$artifacts/demo-service.log"
}

printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
in_x apply
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-0034|2\r\n' ] || fail "the user file does not say applied"

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
in_x change

