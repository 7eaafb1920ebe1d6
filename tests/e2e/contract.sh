#!/usr/bin/env bash
# End to end: an applicant applies for a contract and completes it on the
# demo page; the main window returns to the menu page with its panels
# rebuilt and the user file says "applied". A contracted member changes the
# contents the same way and opens the help window.
# Usage: contract.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
folder="$HOME/qvestrafolder"

# Places on the 1280 x 800 screen at 96 dpi (15 twips a pixel), below a menu
# bar of about 23 pixels: the menu bar's commands, and the first button of a
# service page shown in the main window's view.
menu_apply=(78 11)
menu_change=(146 11)
menu_help=(202 11)
page_first_button=(196 90)

# How often the client itself (not its web view) has read the menu page: a
# rebuild of the panels reads it once more.
menu_reads() {
    grep -c 'GET /q_vestra/execute.asp?yuzaaidhi=[^ ]* 200 agent=qvestra$' "$artifacts/demo-service.log" || true
}

# wait_until_back_on_the_menu_page WHAT [rebuilt]: the panel shows again as
# before the request; with "rebuilt", only after the client read the page anew.
wait_until_back_on_the_menu_page() {
    local panel=240x180+10+255
    convert "$shots/menu.png" -crop "$panel" +repage "$shots/panel-before.png"
    for ((i = 0; i < 100; i++)); do
        sleep 0.2
        import -window root "$shots/after.png"
        convert "$shots/after.png" -crop "$panel" +repage "$shots/panel-after.png"
        if [ "${2:-}" = rebuilt ] && [ "$(menu_reads)" -le "$reads_before" ]; then continue; fi
        if [ "$(compare -metric AE "$shots/panel-before.png" "$shots/panel-after.png" null: 2>&1 || true)" = 0 ]; then
            echo "$1: back on the menu page with its panels"
            return 0
        fi
    done
    fail "$1: the main window did not return to the menu page"
}

# The demo service reports EXEC once the contract page has been served; a
# moment later the page is on screen and its buttons take clicks.
contract_page_served() {
    curl -sf "http://127.0.0.1:$service_port/q_vestra/LOG_K/keika$1.txt" | grep -q '^EXEC'
}
wait_for_contract_page() {
    wait_until 20 contract_page_served "$1" || fail "the contract page was not opened"
    sleep 1.5
}

# start_member STEP: the client started for STEP, its menu build finished.
start_member() {
    shots=$artifacts/$1
    capture "$shots" --keep-running
    # The menu build is done when every document is in place.
    wait_until 30 test -e "$folder/katakana-workbook.pdf"
    sleep 1
    import -window root "$shots/menu.png"
    reads_before=$(menu_reads)
}

printf 'A-0034|1\r\n' >"$folder/qvuser.txt"
start_member apply
xdotool mousemove "${menu_apply[@]}" click 1
wait_for_contract_page 34
import -window root "$shots/application-page.png"
xdotool mousemove "${page_first_button[@]}" click 1
wait_until_back_on_the_menu_page "application" rebuilt
stop_client "$shots"
[ "$(od -An -c "$folder/qvuser.txt" | tr -d ' \n')" = 'A-0034|2\r\n' ] || fail "the user file does not say applied"

rm -rf "$folder"
mkdir -p "$folder"
printf 'A-12|3\r\n' >"$folder/qvuser.txt"
start_member change
xdotool mousemove "${menu_change[@]}" click 1
sleep 0.5
xdotool key Down Down Return
wait_for_contract_page 12
import -window root "$shots/change-page.png"
xdotool mousemove "${page_first_button[@]}" click 1
wait_until_back_on_the_menu_page "contents change" rebuilt
xdotool mousemove "${menu_help[@]}" click 1
sleep 0.5
xdotool key Down Down Return
wait_for_window 20 '^ヘルプ$' >/dev/null || fail "no help window online"
sleep 2
import -window root "$shots/help-online.png"
echo "help window shown online"
