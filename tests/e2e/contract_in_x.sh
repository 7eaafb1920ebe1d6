#!/usr/bin/env bash
# The X side of contract.sh. Usage: contract_in_x.sh STEP CLIENT ARTIFACT_DIR DATA_FOLDER
# STEP: apply (applicant completes an application), change (member completes
# a contents change, then opens the help window), help-offline.
set -euo pipefail
step=$1
client=$2
artifacts=$3
folder=$4
port=${5:-80}
repo_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo_dir/scripts/lib.sh"
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# Places on the 1280 x 800 screen at 96 dpi (15 twips a pixel), below a menu
# bar of about 23 pixels: the menu bar's commands, and the first button of a
# service page shown in the main window's view.
menu_apply=(78 11)
menu_change=(146 11)
menu_help=(202 11)
page_first_button=(196 90)

"$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" --keep-running
trap 'kill "$(cat "$artifacts/client.pid")" 2>/dev/null || true' EXIT
# The menu build is done when every document is in place.
for ((i = 0; i < 300; i++)); do
    [ -e "$folder/katakana-workbook.pdf" ] && break
    sleep 0.1
done
sleep 1
import -window root "$artifacts/menu.png"

wait_until_back_on_the_menu_page() {
    local panel=240x180+10+255
    convert "$artifacts/menu.png" -crop "$panel" +repage "$artifacts/panel-before.png"
    for ((i = 0; i < 100; i++)); do
        sleep 0.2
        import -window root "$artifacts/after.png"
        convert "$artifacts/after.png" -crop "$panel" +repage "$artifacts/panel-after.png"
        if [ "$(compare -metric AE "$artifacts/panel-before.png" "$artifacts/panel-after.png" null: 2>&1 || true)" = 0 ]; then
            echo "$1: back on the menu page with its panels"
            return 0
        fi
    done
    fail "$1: the main window did not return to the menu page"
}

# The demo service reports EXEC once the contract page has been served; a
# moment later the page is on screen and its buttons take clicks.
wait_for_contract_page() {
    for ((i = 0; i < 100; i++)); do
        if curl -sf "http://127.0.0.1:$port/q_vestra/LOG_K/keika$1.txt" | grep -q '^EXEC'; then
            sleep 1.5
            return 0
        fi
        sleep 0.2
    done
    fail "the contract page was not opened"
}

case $step in
    apply)
        xdotool mousemove "${menu_apply[@]}" click 1
        wait_for_contract_page 34
        import -window root "$artifacts/application-page.png"
        xdotool mousemove "${page_first_button[@]}" click 1
        wait_until_back_on_the_menu_page "application"
        ;;
    change)
        xdotool mousemove "${menu_change[@]}" click 1
        sleep 0.5
        xdotool key Down Down Return
        wait_for_contract_page 12
        import -window root "$artifacts/change-page.png"
        xdotool mousemove "${page_first_button[@]}" click 1
        wait_until_back_on_the_menu_page "contents change"
        xdotool mousemove "${menu_help[@]}" click 1
        sleep 0.5
        xdotool key Down Down Return
        wait_for_window 20 '^ヘルプ$' >/dev/null || fail "no help window online"
        sleep 2
        import -window root "$artifacts/help-online.png"
        echo "help window shown online"
        ;;
    help-offline)
        xdotool mousemove "${menu_help[@]}" click 1
        sleep 0.5
        xdotool key Down Down Return
        wait_for_window 20 '^ヘルプ$' >/dev/null || fail "no help window offline"
        sleep 2
        import -window root "$artifacts/help-offline.png"
        echo "help window shown offline"
        ;;
esac
