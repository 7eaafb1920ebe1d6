#!/usr/bin/env bash
# End to end: an applicant applies for a contract and completes it on the
# demo page; the main window returns to the menu page with its panels and
# the user file says "applied". An applicant who abandons the application
# stays an applicant; one who cancels the contract on the application page
# loses the data folder, and the next start signs in. A contracted member
# changes the contents the same way, and then to a shorter list while a
# group's items are open. The help window shows online and, with
# the service stopped, offline; an applicant's start without the service
# ends after its message.
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

printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
in_x abandon
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-0034|1\r\n' ] || fail "an abandoned application changed the user file"

in_x cancel-contract
[ ! -e "$folder" ] || fail "the data folder is still there after the contract was cancelled"
in_x sign-in-window

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
in_x change
in_x reduce

kill "$demo_pid"
wait "$demo_pid" 2>/dev/null || true
demo_pid=
in_x help-offline

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
in_x applicant-offline
[ -e "$folder/qvuser.txt" ] || fail "an applicant's start without the service removed the user file"
