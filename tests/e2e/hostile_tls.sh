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
static_copy
run_certificates
export QTWEBENGINE_CHROMIUM_FLAGS="--ignore-certificate-errors --remote-debugging-port=9222"
export QTWEBENGINE_REMOTE_DEBUGGING=9229

# The member's folder as a verified start leaves it, kept to the member
# alone as every start keeps it.
for copy in "${stored_copies[@]}"; do install -D -m 644 "$site/${copy%%=*}" "$folder/${copy#*=}"; done
chmod 700 "$folder" "$folder/images"

# What the folder holds: every entry with its size, time and mode, and every
# file's checksum.
folder_state() {
    (cd "$folder" && find . -printf '%P %s %T@ %m\n' | sort && find . -type f -exec sha256sum {} + | sort)
}
notices() { xdotool search --onlyvisible --name '^QVestra$' 2>/dev/null | wc -l; }
# A second notice, or the server's page, on screen.
trouble() { [ "$(notices)" -gt 1 ] || screen_has '#FF00FF'; }
# topmost_window: the highest of the client's visible windows; the X
# server lists the root's children from the top down.
topmost_window() {
    xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }' \
        | grep -m 1 -xFf <(xdotool search --onlyvisible --class qvestra | xargs -r printf '0x%x\n')
}

# hostile_start NAME SHOTS STEP...: with the folder's state kept, STEP starts
# the client; then the notice must show once and stay the only one while
# the views load, nothing of the server's page may be on screen, and the
# folder must be as it was.
hostile_start() {
    local name=$1 shots=$2 notice
    mkdir -p "$shots"
    folder_state >"$shots/folder-before.txt"
    "${@:3}" || fail "$name: the client did not start as it should"
    notice=$(wait_for_window 30 '^QVestra$') || fail "$name: the member was not told"
    # A second notice, or the server's page, would come within this time
    # from any view or poll still going (the sign-in polls every 3 s).
    if wait_until 4 trouble; then
        import -window root "$shots/trouble.png"
        fail "$name: $(notices) notices, or the server's page, on screen"
    fi
    import -window root "$shots/notice.png"
    xwininfo -root -children >"$shots/stacking.txt"
    # Told at the end, so that every other check of every server runs.
    [ "$(topmost_window)" = "$(printf '0x%x' "$notice")" ] || hidden+=("$shots/notice.png")
    stop_client "$shots"
    folder_state >"$shots/folder-after.txt"
    diff "$shots/folder-before.txt" "$shots/folder-after.txt" || fail "$name: the data folder changed"
}

# sign_in_window SHOTS: the client started for a member not signed in, up
# to its sign-in window.
sign_in_window() { start_client "$1" && wait_for_window 60 'q_Vestra LOGIN' >/dev/null; }

hidden=()
for name in other-host self-signed expired plain; do
    listen=$(tls_listen 127.0.0.1:443 "$certificates/$name.pem")
    [ "$name" != plain ] || listen="listen 127.0.0.1:443;"
    # Each request gets the cancellation it would act on: the sign-in's
    # answer, the member's record and a contract's status; the pages a
    # block no view may show.
    nginx_serve "$artifacts/$name" "server { $listen
        location /q_vestra/LOG_O/ { default_type text/plain; return 200 \"CANCEL\\r\\n\"; }
        location /q_vestra/LOG_K/ { default_type text/plain; return 200 \"K_CANCEL\\r\\n\"; }
        location / { default_type text/html;
            return 200 '<body style=\"margin:0;background:#ff00ff;height:2000px\">CANCEL</body>'; }
    }"

    hostile_start "$name" "$artifacts/$name-member" capture "$artifacts/$name-member" --keep-running
    mv "$folder/qvuser.txt" "$work/qvuser.txt"
    hostile_start "$name" "$artifacts/$name-sign-in" sign_in_window "$artifacts/$name-sign-in"
    mv "$work/qvuser.txt" "$folder/qvuser.txt"
    nginx_stop

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
grep -q 'could not be shown ( QWebEngineLoadingInfo::CertificateErrorDomain' "$client_log" \
    || fail "a refused certificate did not give way to the program's page"
