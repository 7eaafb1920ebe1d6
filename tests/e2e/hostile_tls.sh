#!/usr/bin/env bash
# End to end over TLS against a server that is not the service, each time
# on the service's own address and port: nginx with another host's
# certificate from the run's own authority, with a certificate that signed
# itself, with one whose time is over, and nginx speaking plain HTTP on the
# TLS port. Each would answer every request with the cancellation that
# request acts on, which over a verified channel removes the member's data
# folder, and the menu page with a magenta block. None of them gets a
# request (no TLS server logs one; the plain one gets bytes that are no HTTP
# request), the data folder stays as it was, file by file and to the
# timestamp, and the member is told once, in the one notice, why the start
# is offline. The signed-in member's start shows the mirrored menu page; a
# member not signed in sees the sign-in window, whose view shows nothing of
# the server's page. Every channel meets the server: the start-up probe, the
# record refresh and the sign-in poll (the client's own sockets), and the
# views; the page reads come only after a verified start. The engine's own
# variables ask it to take any certificate and to open a debugging port: it
# does neither. The views show the program's own page in place of the refused
# one.
# Usage: hostile_tls.sh CLIENT DEMO_SERVICE ARTIFACT_DIR   (CLIENT: qvestra-https)
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
source "$e2e_dir/nginx_lib.sh"
folder="$HOME/qvestrafolder"
site="$work/site"
certificates="$work/certificates"
static_copy "$site"
stop_demo
run_certificates "$certificates"
export QTWEBENGINE_CHROMIUM_FLAGS="--ignore-certificate-errors --remote-debugging-port=9222"
export QTWEBENGINE_REMOTE_DEBUGGING=9229

# The member's folder as a verified start leaves it: the documents and the
# mirror copies under the names the client gives them.
cp "$site"/qv_contents/*.pdf "$folder/"
cp "$site/q_Vestra/HTML/A-12.txt" "$folder/A-12.html"
cp "$site/q_Vestra/HTML/Help.html" "$folder/Help.html"
mkdir -p "$folder/images"
cp "$site/q_Vestra/images/Logo_Movei.gif" "$folder/images/LOGO_Movei.gif"
# Every start keeps the folders to the member alone.
chmod 700 "$folder" "$folder/images"

# What the folder holds: every entry with its size, time and mode, and every
# file's checksum.
folder_state() {
    (cd "$folder" && find . -printf '%P %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort)
}
notices() { xdotool search --onlyvisible --name '^QVestra$' 2>/dev/null | wc -l; }
# topmost_window: the highest of the client's visible windows; the X
# server lists the root's children from the top down.
topmost_window() {
    local visible=" " id
    for id in $(xdotool search --onlyvisible --class qvestra 2>/dev/null); do visible+="$(printf '0x%x' "$id") "; done
    xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }' | while read -r id; do
        [[ $visible == *" $id "* ]] && echo "$id"
    done | head -n 1
}
magenta_on_screen() {
    import -window root "$work/screen.png" && convert "$work/screen.png" -format %c histogram:info:- | grep -q '#FF00FF'
}

# hostile_start NAME SHOTS STEP...: with the folder's state kept, STEP starts
# the client; then the notice must show once and stay the only one while
# the views load, nothing of the server's page may be on screen, and the
# folder must be as it was.
hostile_start() {
    local name=$1 shots=$2
    mkdir -p "$shots"
    folder_state >"$shots/folder-before.txt"
    "${@:3}" || fail "$name: the client did not start as it should"
    wait_for_window 30 '^QVestra$' >/dev/null || fail "$name: the member was not told"
    # Nothing to wait on: a second notice, or the server's page, would come
    # within this time from any view or poll still going.
    sleep 3
    import -window root "$shots/notice.png"
    [ "$(notices)" = 1 ] || fail "$name: the notice showed $(notices) times"
    xwininfo -root -children >"$shots/stacking.txt"
    # Told at the end, so that every other check of every server runs.
    [ "$(topmost_window)" = "$(printf '0x%x' "$(xdotool search --onlyvisible --name '^QVestra$')")" ] \
        || hidden+=("$shots/notice.png")
    if magenta_on_screen; then fail "$name: the server's page is on screen"; fi
    stop_client "$shots"
    folder_state >"$shots/folder-after.txt"
    diff "$shots/folder-before.txt" "$shots/folder-after.txt" || fail "$name: the data folder changed"
}

# sign_in_window SHOTS: the client started for a member not signed in, up
# to its sign-in window.
sign_in_window() {
    mkdir -p "$1"
    "$client" >"$1/client.log" 2>&1 &
    echo $! >"$1/client.pid"
    wait_for_window 60 'q_Vestra LOGIN' >/dev/null
}

hidden=()
mkdir -p "$work/nginx"
for name in other-host self-signed expired plain; do
    if [ "$name" = plain ]; then
        listen="listen 127.0.0.1:443;"
    else
        listen=$(tls_listen 127.0.0.1:443 "$certificates/$name.pem")
    fi
    : >"$artifacts/$name-access.log"
    # Each request gets the cancellation it would act on: the sign-in's
    # answer, the member's record and a contract's status; the pages a
    # block no view may show.
    nginx_start "$work/nginx" "$artifacts/$name" "server { $listen
        location /q_vestra/LOG_O/ { default_type text/plain; return 200 \"CANCEL\\r\\n\"; }
        location /q_vestra/LOG_K/ { default_type text/plain; return 200 \"K_CANCEL\\r\\n\"; }
        location / { default_type text/html;
            return 200 '<body style=\"margin:0;background:#ff00ff;height:2000px\">CANCEL</body>'; }
    }" || fail "$name: nginx did not start"
    trap 'nginx_stop "$work/nginx" 127.0.0.1 443; e2e_cleanup' EXIT
    wait_for_port 127.0.0.1 443 10 || fail "$name: nginx does not listen"

    hostile_start "$name" "$artifacts/$name-member" capture "$artifacts/$name-member" --keep-running
    mv "$folder/qvuser.txt" "$work/qvuser.txt"
    hostile_start "$name" "$artifacts/$name-sign-in" sign_in_window "$artifacts/$name-sign-in"
    mv "$work/qvuser.txt" "$folder/qvuser.txt"
    nginx_stop "$work/nginx" 127.0.0.1 443

    if [ "$name" = plain ]; then
        # It took the TLS greeting for a request; a request of the client's
        # would have a method.
        if grep -E '"(GET|HEAD|POST) ' "$artifacts/$name-access.log"; then fail "plain: a request reached it"; fi
        grep -q . "$artifacts/$name-access.log" || fail "plain: the client never met it"
    else
        [ ! -s "$artifacts/$name-access.log" ] || fail "$name: a request reached it: $(head -n 3 "$artifacts/$name-access.log")"
    fi
    echo "$name: no request reached it, the folder is as it was, the member was told once"
done
[ "${#hidden[@]}" = 0 ] || fail "the notice was hidden below another window: ${hidden[*]}"
# Each view that met such a server showed the program's page in its place.
grep -q 'could not be shown ( QWebEngineLoadingInfo::CertificateErrorDomain' \
    "$HOME/.local/state/qvestra/qvestra.log" || fail "a refused certificate did not give way to the program's page"
