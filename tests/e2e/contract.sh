#!/usr/bin/env bash
# End to end: an applicant applies for a contract and completes it on the
# demo page; the main window returns to the menu page with its panels
# rebuilt and the user file says "applied". A contracted member changes the
# contents the same way.
# Usage: contract.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

# How often the client itself (not its web view) has read the menu page: a
# rebuild of the panels reads it once more.
menu_reads() {
    grep -c 'GET /q_vestra/execute.asp?yuzaaidhi=[^ ]* 200 agent=qvestra$' "$artifacts/demo-service.log" || true
}
# rebuilt_menu_page: the client read the menu page anew and the group panel
# shows again as before the request.
rebuilt_menu_page() {
    [ "$(menu_reads)" -gt "$reads_before" ] && import -window root "$shots/after.png" \
        && [ "$(panel_difference "$shots/menu.png" "$shots/after.png")" = 0 ]
}

# contract_step STEP MEMBER_NUMBER X Y [KEY...]: the client started, its
# menu build finished (the group panel follows once every document is in
# place); the contract page opened by the menu bar's command at X Y and the
# keys, and its first button clicked; the main window returns to the menu
# page rebuilt.
contract_step() {
    shots=$artifacts/$1
    capture "$shots" --keep-running
    wait_until 60 screen_shows "${group_panel_painted[@]}" || fail "$1: the group panel did not show"
    import -window root "$shots/menu.png"
    reads_before=$(menu_reads)
    open_the_contract_page "${@:2}"
    import -window root "$shots/page.png"
    xdotool mousemove "${page_first_button[@]}" click 1
    wait_until 40 rebuilt_menu_page || fail "$1: the main window did not return to the menu page"
    echo "$1: back on the menu page with its panels"
    stop_client "$shots"
}

printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
contract_step apply 34 "${menu_apply[@]}"
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-0034|2\r\n' ] || fail "the user file does not say applied"

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
contract_step change 12 "${menu_change[@]}" Down Down Return
