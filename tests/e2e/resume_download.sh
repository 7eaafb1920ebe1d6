#!/usr/bin/env bash
# End to end, a download continued where it stopped, against nginx, which
# honours Range and If-Range, serving a static copy of the service whose
# large document is 16 MiB of random bytes sent at 4 MiB/s. The transfer is
# cut half-way three times: by the connection (nginx is killed), by the
# client killed outright (SIGKILL), and once more by SIGKILL while the
# document changes on the server. Each time the next start asks for the
# rest with the validator nginx gave and is sent only the rest, or after the
# change the new document from its first byte; the document is then the
# server's own, whole, and no part file or record is left. The first request
# for the document is the plain one, without a range.
# Usage: resume_download.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
source "$e2e_dir/nginx_lib.sh"
folder="$HOME/qvestrafolder"
site="$work/site"
big=katakana-workbook.pdf
document="$folder/$big"
part="$folder/.$big.part"
static_copy "$site"
stop_demo
head -c $((16 * 1024 * 1024)) /dev/urandom >"$site/qv_contents/$big"

mkdir -p "$work/nginx"
start_nginx() {
    nginx_start "$work/nginx" "$artifacts/nginx" "server {
        listen 127.0.0.1:$service_port; root $site;
        access_log $artifacts/ranges.log ranges;
        location = /qv_contents/$big { limit_rate 4m; }
    }" 'types { text/html html asp; text/plain txt; application/pdf pdf; image/gif gif; }
        log_format ranges "$uri|$http_range|$http_if_range|$status|$body_bytes_sent";' \
        || fail "nginx did not start"
    wait_for_port 127.0.0.1 "$service_port" 10 || fail "nginx does not listen"
}
stop_nginx() {
    kill -9 "$(cat "$work/nginx/nginx.pid")" 2>/dev/null || true
    wait_until 10 eval '! (exec 3<>/dev/tcp/127.0.0.1/$service_port) 2>/dev/null'
}
trap 'stop_nginx; e2e_cleanup' EXIT
start_nginx

# start RUN: a client started in the background; e2e_cleanup ends it.
run=0
start() {
    run=$((run + 1))
    mkdir -p "$artifacts/run-$run"
    "$client" >"$artifacts/run-$run/client.log" 2>&1 &
    echo $! >"$artifacts/run-$run/client.pid"
}
part_past() { [ "$(stat -c %s "$part" 2>/dev/null || echo 0)" -ge "$1" ]; }
# cut_half_way HOW: a start whose transfer of the document is cut after 4 MiB.
cut_half_way() {
    start
    wait_until 60 part_past $((4 * 1024 * 1024)) || fail "run $run: the document's transfer did not get under way"
    case $1 in
        connection) stop_nginx ;;
        kill) kill -9 "$(cat "$artifacts/run-$run/client.pid")" ;;
    esac
    sleep 1
    stop_client "$artifacts/run-$run"
    [ -s "$folder/.$big.resume" ] || fail "run $run: no record beside the part"
    [ ! -e "$document" ] || fail "run $run: a document cut off was stored"
}
# last_request: what nginx logged for the document's last request.
requests() { grep -c "^/qv_contents/$big|" "$artifacts/ranges.log" || true; }
last_request() { grep "^/qv_contents/$big|" "$artifacts/ranges.log" | tail -n 1; }
# continue_after HOW: the next start continues the part and completes the document.
continue_after() {
    local had total before
    had=$(stat -c %s "$part")
    total=$(stat -c %s "$site/qv_contents/$big")
    before=$(requests)
    [ "$had" -lt "$total" ] || fail "after the $1: the part holds the whole document"
    start
    wait_until 60 test -e "$document" || fail "after the $1: the document was not completed"
    # nginx logs a request once it has sent its last byte.
    wait_until 10 eval '[ "$(requests)" -gt "$before" ]' || fail "after the $1: nginx logged no request"
    IFS='|' read -r _ range if_range status sent <<<"$(last_request)"
    [ "$range" = "bytes=$had-" ] && [ -n "$if_range" ] && [ "$if_range" != - ] \
        || fail "after the $1: not asked for the rest: $(last_request)"
    if [ "$1" = change ]; then
        [ "$status" = 200 ] && [ "$sent" = "$total" ] || fail "after the change: not the new document whole: $(last_request)"
    else
        [ "$status" = 206 ] && [ "$sent" = $((total - had)) ] || fail "after the $1: more than the rest was sent: $(last_request)"
    fi
    cmp -s "$site/qv_contents/$big" "$document" || fail "after the $1: the document is not the server's"
    if ls -A "$folder" | grep -qE '\.(part|resume)$'; then fail "after the $1: a part or record was left"; fi
    echo "after the $1: $status, $sent bytes of $total sent, the document whole"
    stop_client "$artifacts/run-$run"
}

cut_half_way connection
start_nginx
continue_after "connection's end"

rm "$document"
before=$(requests)
cut_half_way kill
wait_until 10 eval '[ "$(requests)" -gt "$before" ]' || fail "nginx logged no request of the killed client"
IFS='|' read -r _ range _ status _ <<<"$(last_request)"
[ "$range" = - ] && [ "$status" = 200 ] || fail "a first request was not the plain one: $(last_request)"
continue_after kill

rm "$document"
cut_half_way kill
head -c $((16 * 1024 * 1024 + 1000)) /dev/urandom >"$site/qv_contents/$big"
continue_after change
