#!/usr/bin/env bash
# The X side of contract.sh.
# Usage: contract_in_x.sh STEP CLIENT ARTIFACT_DIR DATA_FOLDER PORT DEMO_LOG
# STEP: apply (applicant completes an application), abandon (applicant
# abandons one), cancel-contract (the applicant cancels the contract on the
# application page), change (member completes a contents change, then opens
# the help window), reduce (member with a group's items open reduces the
# contents: the shorter list leaves no item button behind), help-offline, applicant-offline (an applicant starts
# without the service: the message, then the end), sign-in-window (a start
# without a member shows the sign-in window).
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
page_second_button=(528 90)
page_third_button=(859 90)

# wait_for_exit PID SECONDS
wait_for_exit() {
    for ((i = 0; i < $2 * 10; i++)); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

mkdir -p "$artifacts"
if [ "$step" = applicant-offline ]; then
    "$client" >"$artifacts/client.log" 2>&1 &
    pid=$!
    box=$(wait_for_window 30 '^QVestra$') || fail "no message for an applicant without the service"
    sleep 0.5
    import -window root "$artifacts/message.png"
    xdotool windowfocus "$box" key Return
    wait_for_exit "$pid" 15 || fail "the client did not end after the message"
    echo "applicant without the service: message shown, client ended"
    exit 0
fi
if [ "$step" = sign-in-window ]; then
    "$client" >"$artifacts/client.log" 2>&1 &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true' EXIT
    wait_for_window 60 'q_Vestra LOGIN' >/dev/null || fail "the sign-in window did not show"
    import -window root "$artifacts/sign-in.png"
    echo "the sign-in window shows"
    exit 0
fi

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
    abandon)
        xdotool mousemove "${menu_apply[@]}" click 1
        wait_for_contract_page 34
        xdotool mousemove "${page_second_button[@]}" click 1
        wait_until_back_on_the_menu_page "abandoned application"
        ;;
    cancel-contract)
        xdotool mousemove "${menu_apply[@]}" click 1
        wait_for_contract_page 34
        import -window root "$artifacts/application-page.png"
        xdotool mousemove "${page_third_button[@]}" click 1
        wait_for_exit "$(cat "$artifacts/client.pid")" 20 || fail "the client did not end after the cancellation"
        echo "contract cancelled during the application: client ended"
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
