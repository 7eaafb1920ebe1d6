#!/usr/bin/env bash
# End to end over a slow link: the private network's loopback shaped to
# 1 Mbit/s by the kernel's token-bucket filter (tc tbf), with a real link's
# packet size. While the large document of a typical start comes, the member
# asks for a contents change: the request's status poll goes out at once,
# not after the document, and the document is stored whole.
# Usage: shaped_link.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
demo_args=(--large-mib 4)
source "$(dirname "$0")/e2e_lib.sh"
ip link set lo mtu 1500
tc qdisc add dev lo root tbf rate 1mbit burst 32kbit latency 400ms \
    || fail "the kernel's token-bucket filter is not available"

capture "$artifacts" --keep-running >"$artifacts/capture.log" || fail "the main window did not show"
wait_until 60 test -s "$folder/.katakana-workbook.pdf.part" || fail "the large document did not start"
open_the_contract_page 12 "${menu_change[@]}" Down Down Return
# The client's own poll: curl, which watches the page's status, names itself.
wait_until 10 grep -q 'keika12\.txt [0-9]* agent=$' "$artifacts/demo-service.log" || fail "no status poll went out"
[ ! -e "$folder/katakana-workbook.pdf" ] \
    || fail "the document was stored before the poll went out: the link was not slow"
echo "the status poll went out while the large document came"
import -window root "$artifacts/contract-page.png"
wait_until 120 test -e "$folder/katakana-workbook.pdf" || fail "the large document was not stored"
# The service's copy, over the link at full speed again.
tc qdisc del dev lo root
curl -sf "http://127.0.0.1:$service_port/qv_contents/katakana-workbook.pdf" | cmp -s - "$folder/katakana-workbook.pdf" \
    || fail "the large document was not stored whole"
