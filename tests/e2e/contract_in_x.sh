#!/usr/bin/env bash
# The X side of contract.sh.
# Usage: contract_in_x.sh STEP CLIENT ARTIFACT_DIR DATA_FOLDER PORT DEMO_LOG
# STEP: apply (applicant completes an application), change (member completes
# a contents change, then opens the help window), reduce (member with a
# group's items open reduces the contents: the shorter list leaves no item
# button behind).
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
page_third_button=(859 90)

mkdir -p "$artifacts"
"$repo_dir/scripts/capture-main-window.sh" "$client" "$artifacts" --keep-running
trap 'kill "$(cat "$artifacts/client.pid")" 2>/dev/null || true' EXIT
# The menu build is done when every document is in place.
for ((i = 0; i < 300; i++)); do
    [ -e "$folder/katakana-workbook.pdf" ] && break
    sleep 0.1
done
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
    reduce)
        # The first group's items stay open in Frame3 through the request.
        xdotool mousemove 132 307 click 1
        sleep 0.5
        import -window root "$artifacts/items-open.png"
        xdotool mousemove "${menu_change[@]}" click 1
        sleep 0.5
        xdotool key Down Down Return
        wait_for_contract_page 12
        xdotool mousemove "${page_third_button[@]}" click 1
        for ((i = 0; i < 100; i++)); do
            curl -sf "http://127.0.0.1:$port/q_vestra/LOG_K/keika12.txt" | grep -q '^END' && break
            sleep 0.2
        done
        # The change poll runs every 2 s; its rebuild follows at once.
        sleep 4
        import -window root "$artifacts/reduced.png"
        if convert "$artifacts/reduced.png" -format %c histogram:info:- | grep -q 'srgb(192,192,255)'; then
            fail "the items of the earlier list are still on screen"
        fi
        # Where the second item of the earlier list was.
        xdotool mousemove 365 339 click 1
        if wait_for_window 3 'A c r o b a t' >/dev/null; then
            fail "a click where an earlier item was opened a document"
        fi
        kill -0 "$(cat "$artifacts/client.pid")" || fail "the client ended after the shorter list"
        import -window root "$artifacts/after-click.png"
        echo "shorter list: no earlier item on screen, the click opened nothing, the client runs"
        ;;
esac
