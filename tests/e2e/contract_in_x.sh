#!/usr/bin/env bash
# The X side of contract.sh.
# Usage: contract_in_x.sh STEP CLIENT ARTIFACT_DIR DATA_FOLDER PORT DEMO_LOG
# STEP: apply (applicant completes an application), change (member completes
# a contents change, then opens the help window).
set -euo pipefail
step=$1
client=$2
artifacts=$3
folder=$4
port=${5:-80}
demo_log=${6:-/dev/null}
repo_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo_dir/scripts/lib.sh"
# Places on the 1280 x 800 screen at 96 dpi (15 twips a pixel), below a menu
# bar of about 23 pixels: the menu bar's commands, and the first button of a
# service page shown in the main window's view.
menu_apply=(78 11)
menu_change=(146 11)
menu_help=(202 11)
page_first_button=(196 90)

mkdir -p "$artifacts"
"$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" --keep-running
trap 'kill "$(cat "$artifacts/client.pid")" 2>/dev/null || true' EXIT
# The menu build is done when every document is in place.
wait_until 30 test -e "$folder/katakana-workbook.pdf"
sleep 1
import -window root "$artifacts/menu.png"

# How often the client itself (not its web view) has read the menu page: a
# rebuild of the panels reads it once more.
menu_reads() {
    grep -c 'GET /q_vestra/execute.asp?yuzaaidhi=[^ ]* 200 agent=qvestra$' "$demo_log" || true
}
reads_before=$(menu_reads)

# wait_until_back_on_the_menu_page WHAT [rebuilt]: the panel shows again as
# before the request; with "rebuilt", only after the client read the page anew.
wait_until_back_on_the_menu_page() {
    local panel=240x180+10+255
    convert "$artifacts/menu.png" -crop "$panel" +repage "$artifacts/panel-before.png"
    for ((i = 0; i < 100; i++)); do
        sleep 0.2
        import -window root "$artifacts/after.png"
        convert "$artifacts/after.png" -crop "$panel" +repage "$artifacts/panel-after.png"
        if [ "${2:-}" = rebuilt ] && [ "$(menu_reads)" -le "$reads_before" ]; then continue; fi
        if [ "$(compare -metric AE "$artifacts/panel-before.png" "$artifacts/panel-after.png" null: 2>&1 || true)" = 0 ]; then
            echo "$1: back on the menu page with its panels"
            return 0
        fi
    done
    fail "$1: the main window did not return to the menu page"
}

# The demo service reports EXEC once the contract page has been served; a
# moment later the page is on screen and its buttons take clicks.
contract_page_served() {
    curl -sf "http://127.0.0.1:$port/q_vestra/LOG_K/keika$1.txt" | grep -q '^EXEC'
}
wait_for_contract_page() {
    wait_until 20 contract_page_served "$1" || fail "the contract page was not opened"
    sleep 1.5
}

case $step in
    apply)
        xdotool mousemove "${menu_apply[@]}" click 1
        wait_for_contract_page 34
        import -window root "$artifacts/application-page.png"
        xdotool mousemove "${page_first_button[@]}" click 1
        wait_until_back_on_the_menu_page "application" rebuilt
        ;;
    change)
        xdotool mousemove "${menu_change[@]}" click 1
        sleep 0.5
        xdotool key Down Down Return
        wait_for_contract_page 12
        import -window root "$artifacts/change-page.png"
        xdotool mousemove "${page_first_button[@]}" click 1
        wait_until_back_on_the_menu_page "contents change" rebuilt
        xdotool mousemove "${menu_help[@]}" click 1
        sleep 0.5
        xdotool key Down Down Return
        wait_for_window 20 '^ヘルプ$' >/dev/null || fail "no help window online"
        sleep 2
        import -window root "$artifacts/help-online.png"
        echo "help window shown online"
        ;;
esac
