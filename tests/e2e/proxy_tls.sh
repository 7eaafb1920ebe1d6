#!/usr/bin/env bash
# End to end over TLS behind a mandatory web proxy: tinyproxy, which wants a
# user and password and opens tunnels to port 443 only, is the only way to
# nginx serving the static copy over TLS at 10.77.0.1:443. The client learns
# of the proxy from https_proxy, as a desktop would tell it, and runs in a
# network of its own where the service's address has no route (as in
# proxy.sh). The typical start stores the documents; the proxy saw tunnels
# to the service and no request of the service's; the web engine was asked
# for the credentials and gave them; and nginx saw the requests in their
# direct form, without the proxy's credentials. The proxy opens no tunnel
# without them.
# Usage: proxy_tls.sh CLIENT DEMO_SERVICE ARTIFACT_DIR   (CLIENT: qvestra-https-behind-proxy)
set -euo pipefail
demo_args=(--listen 0.0.0.0)
source "$(dirname "$0")/e2e_lib.sh"
start_proxy Info "ConnectPort 443"
serve_static_over_tls "$service"

# The proxy opens no tunnel without its credentials (tinyproxy does not log
# the refusal): the tunnels it opened for the client had them.
refused=$(curl -s -o /dev/null -w '%{http_connect}' --proxytunnel -x http://127.0.0.1:3128 "https://$service/" || true)
[ "$refused" = 407 ] || fail "the proxy did not ask for its credentials (answered $refused)"

behind_proxy https_proxy 3128 443
capture "$artifacts/typical-start" --wait-for "$folder/images/LOGO_Movei.gif"
stored_as_served

proxy_log=$artifacts/tinyproxy.log
grep -q "CONNECT $service:443 " "$proxy_log" || fail "no tunnel to the service was asked for"
if grep -E "Request \(file descriptor [0-9]+\): (GET|HEAD|POST) " "$proxy_log"; then
    fail "the proxy read a request of the service's"
fi
grep -q "Established connection to host \"$service\"" "$proxy_log" \
    || fail "the proxy let no tunnel through with the member's credentials"

asked "GET http://$service/qv_contents/hiragana1.pdf HTTP/1.0" 200
asked "GET /q_Vestra/HTML/Help.html HTTP/1.0" 200
log=$artifacts/nginx-access.log
grep -q '"GET /q_vestra/execute.asp?yuzaaidhi=A-12' "$log" || fail "the view did not load the menu page through the tunnel"
if grep -v ' tls=TLSv1\.[23] ' "$log"; then fail "a request above did not come inside TLS"; fi
if grep -v ' proxy_auth=-$' "$log"; then fail "the proxy's credentials reached the service"; fi
echo "through the proxy's tunnels: $(grep -c "CONNECT $service:443 " "$proxy_log") tunnels, $(wc -l <"$log") requests inside TLS"
