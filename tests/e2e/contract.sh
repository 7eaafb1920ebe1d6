#!/usr/bin/env bash
# End to end: an applicant applies for a contract and completes it on the
# demo page; the main window returns to the menu page with its panels
# rebuilt and the user file says "applied". A contracted member changes the
# contents the same way.
# Usage: contract.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"

# How often the client itself (not its web view) has read the menu page: a
# rebuild of the panels reads it once more.
menu_reads() {
    grep -c 'GET /q_vestra/execute.asp?yuzaaidhi=[^ ]* 200 agent=qvestra$' "$artifacts/demo-service.log" || true
}

# wait_until_back_on_the_menu_page WHAT [rebuilt]: the panel shows again as
# before the request; with "rebuilt", only after the client read the page anew.
wait_until_back_on_the_menu_page() {
    for ((i = 0; i < 100; i++)); do
        sleep 0.2
        import -window root "$shots/after.png"
        if [ "${2:-}" = rebuilt ] && [ "$(menu_reads)" -le "$reads_before" ]; then continue; fi
        if [ "$(panel_difference "$shots/menu.png" "$shots/after.png")" = 0 ]; then
            echo "$1: back on the menu page with its panels"
            return 0
        fi
    done
    fail "$1: the main window did not return to the menu page"
}

# start_member STEP: the client started for STEP, its menu build finished:
# the group panel follows once every document is in place.
start_member() {
    shots=$artifacts/$1
    capture "$shots" --keep-running
    wait_until 60 screen_shows "${group_panel_painted[@]}" || fail "$1: the group panel did not show"
    import -window root "$shots/menu.png"
    reads_before=$(menu_reads)
}

printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
start_member apply
open_the_contract_page 34 "${menu_apply[@]}"
import -window root "$shots/application-page.png"
xdotool mousemove "${page_first_button[@]}" click 1
wait_until_back_on_the_menu_page "application" rebuilt
stop_client "$shots"
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-0034|2\r\n' ] || fail "the user file does not say applied"

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
start_member change
open_the_contract_page 12 "${menu_change[@]}" Down Down Return
import -window root "$shots/change-page.png"
xdotool mousemove "${page_first_button[@]}" click 1
wait_until_back_on_the_menu_page "contents change" rebuilt
