#!/usr/bin/env bash
# End to end: an online start downloads the documents and mirrors the
# member's page; with the service stopped, the next start shows the mirrored
# page and the same group buttons.
# Usage: offline_mirror.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

folder="$HOME/qvestrafolder"
# The mirrored logo is the last file an online start writes.
capture "$artifacts/online" --wait-for "$folder/images/LOGO_Movei.gif"
for name in hiragana1.pdf hiragana2.pdf katakana1.pdf gojuon.pdf A-12.html Help.html images/LOGO_Movei.gif; do
    [ -s "$folder/$name" ] || fail "$name was not stored by the online start"
done
workbook=$(stat -c %s "$folder/katakana-workbook.pdf")
[ "$workbook" -ge $((64 * 1024 * 1024)) ] || fail "the large document is incomplete ($workbook bytes)"
if ls -A "$folder" | grep -q '\.part$'; then fail "a temporary file was left behind"; fi

kill "$demo_pid"
wait "$demo_pid" 2>/dev/null || true
demo_pid=
capture "$artifacts/offline"

# The group panel, 教材一覧, with its buttons.
panel=240x180+10+255
convert "$artifacts/online/main-window.png" -crop "$panel" +repage "$artifacts/online-panel.png"
convert "$artifacts/offline/main-window.png" -crop "$panel" +repage "$artifacts/offline-panel.png"
differing=$(compare -metric AE "$artifacts/online-panel.png" "$artifacts/offline-panel.png" null: 2>&1 || true)
echo "group panel pixels differing between online and offline start: $differing"
[ "$differing" = 0 ] || fail "the offline start shows other group buttons"
