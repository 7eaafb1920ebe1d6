#!/usr/bin/env bash
# End to end against a web server nobody here wrote: nginx serves a static
# copy of the service's files, taken from the demo service, which is then
# stopped. The typical start runs against it (record refresh, menu page,
# downloads, mirroring): the documents and the copies of the page, the help
# and the logo are stored as nginx sent them. One document is missing from
# the copy: nginx's own not-found page for it must not be stored. The start
# itself and opening a document are the other end-to-end tests' concern.
# Usage: nginx_static.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"
static_copy
nginx_serve "$artifacts/nginx" "server { listen 127.0.0.1:$service_port; root $site; }" "$static_types"

capture "$artifacts/first-start" --wait-for "$folder/images/LOGO_Movei.gif"
stored_as_served
grep -q 'GET http://localhost\(:[0-9]*\)\?/qv_contents/katakana-workbook.pdf HTTP/1.0" 404' "$artifacts/nginx-access.log" \
    || fail "the missing document was not asked for"
[ ! -e "$folder/katakana-workbook.pdf" ] || fail "nginx's not-found page was stored as a document"
if ls -A "$folder" | grep -q '\.part$'; then fail "a temporary file was left behind"; fi
