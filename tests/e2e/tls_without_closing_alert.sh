#!/usr/bin/env bash
# End to end against a service over TLS that ends every connection without
# TLS's closing alert once a reply's length is sent, as many servers and
# load balancers do: the demo service with --tls-without-closing-alert on
# 127.0.0.1:443 (openssl s_client sees it end so). The client built for
# HTTPS does its typical start there: every document and every copy is
# stored as the service sent it.
# Usage: tls_without_closing_alert.sh CLIENT DEMO_SERVICE ARTIFACT_DIR   (CLIENT: qvestra-https)
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
static_copy
run_certificates
start_demo demo-tls.log 443 --port 443 --large-mib 1 --tls-without-closing-alert \
    --tls-certificate "$certificates/run/server.pem" --tls-key "$certificates/run/server-key.pem"
ending=$(printf 'GET /q_Vestra/HTML/Help.html HTTP/1.0\r\n\r\n' |
    openssl s_client -quiet -connect 127.0.0.1:443 -CAfile "$SSL_CERT_FILE" 2>&1 >/dev/null || true)
[[ $ending == *'unexpected eof'* ]] || fail "the service ended with TLS's closing alert"

capture "$artifacts" --wait-for "$folder/images/LOGO_Movei.gif"
stored_as_served
curl -sf --cacert "$SSL_CERT_FILE" https://localhost/qv_contents/katakana-workbook.pdf | cmp -s - "$folder/katakana-workbook.pdf" \
    || fail "the large document was not stored whole"
