# Shared set-up of the end-to-end tests. Sourced by a test script that was
# called as: SCRIPT CLIENT DEMO_SERVICE ARTIFACT_DIR. It re-runs the script in
# a private network namespace under an X server of its own, starts the demo
# service there and prepares a temporary HOME with the demo member's user
# file. Every client started through capture or start_client, every nginx
# and whatever at_exit names end with the script.
client=$1
demo=$2
artifacts=$3
e2e_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_dir=$(cd "$e2e_dir/../.." && pwd)

if [ "${QVESTRA_IN_TEST_NETNS:-}" != 1 ]; then
    if ! unshare --net --map-root-user true 2>/dev/null; then
        echo "SKIPPED: no user namespaces here, and so no network of the test's own"
        exit 77
    fi
    exec unshare --net --map-root-user env QVESTRA_IN_TEST_NETNS=1 \
        xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$0" "$@"
fi
ip link set lo up

source "$repo_dir/scripts/lib.sh"
source "$e2e_dir/nginx_lib.sh"
source "$e2e_dir/proxy_lib.sh"
work=$(mktemp -d)
folder=$work/home/qvestrafolder
client_log=$work/home/.local/state/qvestra/qvestra.log
exit_steps=()
# at_exit COMMAND: COMMAND, a string, runs when the script ends.
at_exit() { exit_steps+=("$1"); }
e2e_cleanup() {
    local step pid_file
    for step in "${exit_steps[@]}"; do eval "$step" 2>/dev/null || true; done
    for pid_file in $(find "$artifacts" -name client.pid); do stop_client "$(dirname "$pid_file")"; done
    nginx_stop
    stop_demo
    rm -rf "$work"
}
trap e2e_cleanup EXIT

mkdir -p "$folder" "$artifacts"
# Process numbers left by an earlier run name other processes by now.
find "$artifacts" -name client.pid -delete
printf 'A-12|3\r\n' >"$folder/qvuser.txt"

# start_demo LOG PORT [ARG...]: the demo service started with ARGs, its
# output in LOG among the artefacts; it listens on PORT once this returns.
start_demo() {
    "$demo" "${@:3}" >"$artifacts/$1" 2>&1 &
    demo_pid=$!
    wait_for_port 127.0.0.1 "$2" 10 || fail "the demo service does not listen on $2"
}
# stop_demo: the demo service started here ends, and its port is free.
stop_demo() {
    if [ -n "${demo_pid:-}" ]; then kill "$demo_pid" 2>/dev/null && { wait "$demo_pid" 2>/dev/null || true; }; fi
    demo_pid=
}
service_port=$(sed -n 's/^QVESTRA_SERVICE_PORT:STRING=//p' "$(dirname "$demo")/../CMakeCache.txt")
service_port=${service_port:-80}
# A test may set demo_args before sourcing this file.
start_demo demo-service.log "$service_port" ${demo_args[@]+"${demo_args[@]}"}

webengine_environment
# The private network has no proxy of the host's; a test that wants one names it.
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY no_proxy NO_PROXY
export HOME="$work/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION

# capture SHOT_DIR [options]: the client started and photographed by
# scripts/capture-main-window.sh.
capture() { "$repo_dir/scripts/capture-main-window.sh" "$client" "$@"; }

# start_client SHOT_DIR: the client started in the background as capture
# starts it (client_pid, SHOT_DIR/client.pid and client.log), with no wait.
start_client() {
    mkdir -p "$1"
    "$client" >"$1/client.log" 2>&1 &
    client_pid=$!
    echo "$client_pid" >"$1/client.pid"
}

# gone PID: the process has ended.
gone() { ! kill -0 "$1" 2>/dev/null; }

# stop_client SHOT_DIR: ends the client a capture left running there, and
# waits until it is gone, so that its windows are too.
stop_client() {
    local pid
    pid=$(cat "$1/client.pid" 2>/dev/null) || return 0
    rm -f "$1/client.pid"
    kill "$pid" 2>/dev/null || return 0
    wait_until 10 gone "$pid"
}

# ms_since NANOSECONDS: milliseconds from then (date +%s%N) to now.
ms_since() { echo $((($(date +%s%N) - $1) / 1000000)); }

# screen_shows X,Y=COLOUR...: the X screen has each COLOUR at its X,Y now.
screen_shows() {
    local spot format='' expected=''
    import -window root "$work/screen.png" || return 1
    for spot in "$@"; do
        format+="%[pixel:p{${spot%%=*}}] "
        expected+="${spot#*=} "
    done
    [ "$(convert "$work/screen.png" -format "$format" info:)" = "$expected" ]
}

# screen_has COLOUR: some pixel of the X screen has COLOUR (#RRGGBB).
screen_has() {
    local colours
    import -window root "$work/screen.png" && colours=$(convert "$work/screen.png" -format %c histogram:info:-) \
        && grep -q "$1" <<<"$colours"
}

# page_on_screen: a service page is painted on the X screen.
page_on_screen() { import -window root "$work/screen.png" && page_painted "$work/screen.png"; }

# window_painted ID: the window has more than one colour on screen, so Qt
# has painted it.
window_painted() {
    local X Y WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    import -window root "$work/screen.png" || return 1
    [ "$(convert "$work/screen.png" -crop "${WIDTH}x$HEIGHT+$X+$Y" -format %k info:)" -gt 1 ]
}

# menu_open: one of the client's menus has opened on screen and takes keys.
menu_open() {
    local id
    for id in $(xdotool search --onlyvisible --class qvestra 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_MENU' && return 0
    done
    return 1
}

# Twips to pixels at 96 dpi (15 a pixel), below a menu bar of about 23
# pixels: the menu bar's contract commands, the first button of a service
# page in the main window's view, and the first group button of the group
# panel, 教材一覧, as they look on screen; Cmd(0) is the first group,
# CmdSub(1) the second item of Frame3, whose panel is lavender.
menu_apply=(78 11)
menu_change=(146 11)
page_first_button=(196 90)
page_first_button_painted=('37,72=srgb(172,172,172)' '100,76=srgb(239,239,239)')
group_panel_painted=('40,300=srgb(250,250,250)')
first_group_items_painted=('255,385=srgb(192,192,255)')
open_second_item_of_first_group() {
    # The panel shows once the build's downloads are over, a turn of the
    # queue after the last progress window went.
    wait_until 60 screen_shows "${group_panel_painted[@]}" || fail "the group panel did not show"
    xdotool mousemove 132 307 click 1
    wait_until 30 screen_shows "${first_group_items_painted[@]}" || fail "the first group's items did not show"
    xdotool mousemove 365 339 click 1
}

# panel_difference SHOT SHOT: how many pixels of the group panel, 教材一覧,
# differ between two screenshots.
panel_difference() { compare -metric AE "$1[240x180+10+255]" "$2[240x180+10+255]" null: 2>&1 || true; }

# contract_status MEMBER_NUMBER STATUS: the demo service's status file of the
# member's contract request begins with STATUS. It says EXEC once the
# contract page has been served, END once the page's button ended it.
contract_status() { curl -sf "http://127.0.0.1:$service_port/q_vestra/LOG_K/keika$1.txt" | grep -q "^$2"; }

# open_the_contract_page MEMBER_NUMBER X Y [KEY...]: the menu bar's command
# at X Y chosen, then its submenu's entry by the keys given; the wait ends
# when the contract page is on screen with its first button painted.
open_the_contract_page() {
    xdotool mousemove "$2" "$3" click 1
    if [ $# -gt 3 ]; then
        wait_until 30 menu_open || fail "the menu at $2 $3 did not open"
        xdotool key "${@:4}"
    fi
    wait_until 60 contract_status "$1" EXEC || fail "the contract page was not opened"
    wait_until 60 screen_shows "${page_first_button_painted[@]}" || fail "the contract page was not painted"
}
