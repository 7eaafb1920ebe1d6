#!/usr/bin/env bash
# End to end over TLS against a server nobody here wrote: Debian's nginx
# serves the static copy of the service on 127.0.0.1:443 with a certificate
# from the run's own authority, which the client trusts through
# SSL_CERT_FILE and the NSS database in its HOME, and nothing else listens.
# The typical start runs there: record refresh, the menu page shown in the
# view, the documents and the mirror copies stored as nginx sent them. Every
# request came inside TLS, in the same form as over plain HTTP (the client's
# own in absolute form). With nginx gone the next start is offline from the
# mirror, and without the notice of an unverified server: a service that
# cannot be reached is no such server.
# Usage: nginx_tls.sh CLIENT DEMO_SERVICE ARTIFACT_DIR   (CLIENT: qvestra-https)
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
serve_static_over_tls 127.0.0.1

capture "$artifacts/online" --wait-for "$folder/images/LOGO_Movei.gif"
stored_as_served
asked "GET http://localhost/q_vestra/LOG_K/qvuser12.txt HTTP/1.0" 200
asked "GET http://localhost/qv_contents/hiragana1.pdf HTTP/1.0" 200
asked "GET /q_Vestra/HTML/Help.html HTTP/1.0" 200
log=$artifacts/nginx-access.log
# The page read (curl) and the view's load each ask for the menu page.
[ "$(grep -c '"GET /q_vestra/execute.asp?yuzaaidhi=A-12' "$log")" -ge 2 ] \
    || fail "the menu page was not both read and shown from nginx"
if grep -v ' tls=TLSv1\.[23] ' "$log"; then fail "a request above did not come inside TLS 1.2 or 1.3"; fi
echo "online over TLS: $(wc -l <"$log") requests, each inside TLS; every file stored as nginx sent it"

nginx_stop || fail "nginx did not stop"
capture "$artifacts/offline" --keep-running
if xdotool search --onlyvisible --name '^QVestra$' >/dev/null 2>&1; then
    import -window root "$artifacts/offline/notice.png"
    fail "a service that is not there was told as an unverified one"
fi
