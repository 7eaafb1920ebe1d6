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
big=katakana-workbook.pdf
document="$folder/$big"
part="$folder/.$big.part"
static_copy
head -c $((16 * 1024 * 1024)) /dev/urandom >"$site/qv_contents/$big"

start_nginx() {
    nginx_serve "$artifacts/nginx" "server {
        listen 127.0.0.1:$service_port; root $site;
        access_log $artifacts/ranges.log ranges;
        location = /qv_contents/$big { limit_rate 4m; }
    }" "$static_types"' log_format ranges "$uri|$http_range|$http_if_range|$status|$body_bytes_sent";'
}
start_nginx

# Each start is a run of its own, its client ended by the script at the latest.
run=0
part_past() { [ "$(stat -c %s "$part" 2>/dev/null || echo 0)" -ge "$1" ]; }
requests() { grep -c "^/qv_contents/$big|" "$artifacts/ranges.log" || true; }
# request_after COUNT: URI|RANGE|IF_RANGE|STATUS|BYTES of the document's last
# request, once nginx logged more than COUNT; it logs a request once it has
# sent its last byte or lost its client.
request_after() {
    wait_until 10 eval "[ \"\$(requests)\" -gt $1 ]" || fail "run $run: nginx logged no request"
    grep "^/qv_contents/$big|" "$artifacts/ranges.log" | tail -n 1
}

# cut_half_way HOW: a start whose transfer of the document is cut after 4 MiB.
cut_half_way() {
    local before request range status
    before=$(requests)
    start_client "$artifacts/run-$((++run))"
    wait_until 60 part_past $((4 * 1024 * 1024)) || fail "run $run: the document's transfer did not get under way"
    if [ "$1" = connection ]; then
        nginx_stop KILL
        # The client's own end of the transfer keeps the part, not the stop below.
        wait_until 10 grep -q "/$big not stored" "$client_log" || fail "run $run: the cut went unnoticed"
    else
        kill -9 "$client_pid"
        request=$(request_after "$before")
        IFS='|' read -r _ range _ status _ <<<"$request"
        [ "$range" = - ] && [ "$status" = 200 ] || fail "run $run: a first request was not the plain one: $request"
    fi
    stop_client "$artifacts/run-$run"
    [ -s "$folder/.$big.resume" ] || fail "run $run: no record beside the part"
    [ ! -e "$document" ] || fail "run $run: a document cut off was stored"
}
# continue_after HOW: the next start continues the part and completes the document.
continue_after() {
    local had total before request range if_range status sent
    had=$(stat -c %s "$part")
    total=$(stat -c %s "$site/qv_contents/$big")
    before=$(requests)
    [ "$had" -lt "$total" ] || fail "after the $1: the part holds the whole document"
    start_client "$artifacts/run-$((++run))"
    wait_until 60 test -e "$document" || fail "after the $1: the document was not completed"
    request=$(request_after "$before")
    IFS='|' read -r _ range if_range status sent <<<"$request"
    [ "$range" = "bytes=$had-" ] && [ -n "$if_range" ] && [ "$if_range" != - ] \
        || fail "after the $1: not asked for the rest: $request"
    if [ "$1" = change ]; then
        [ "$status" = 200 ] && [ "$sent" = "$total" ] || fail "after the change: not the new document whole: $request"
    else
        [ "$status" = 206 ] && [ "$sent" = $((total - had)) ] || fail "after the $1: more than the rest was sent: $request"
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
cut_half_way kill
continue_after kill

rm "$document"
cut_half_way kill
head -c $((16 * 1024 * 1024 + 1000)) /dev/urandom >"$site/qv_contents/$big"
continue_after change
