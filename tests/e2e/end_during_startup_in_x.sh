#!/usr/bin/env bash
# The X side of open_document.sh's first part: the member ends the client
# while the start-up still downloads the large document, once by SIGTERM
# and once by ﾌｧｲﾙ → 終了. Either way the client ends at once and leaves
# no temporary file, and the later start still finds the document missing.
# Usage: end_during_startup_in_x.sh CLIENT ARTIFACT_DIR DATA_FOLDER
set -euo pipefail
client=$1
artifacts=$2
folder=$3
repo_dir=$(cd "$(dirname "$0")/../.." && pwd)
source "$repo_dir/scripts/lib.sh"
mkdir -p "$artifacts"

for how in signal menu; do
    "$client" >"$artifacts/client-$how.log" 2>&1 &
    pid=$!
    wait_for_window 60 '^初期処理$' >/dev/null || fail "$how: no progress window for the download"
    if [ "$how" = signal ]; then
        kill -TERM "$pid"
    else
        xdotool mousemove 15 11 click 1
        sleep 0.3
        xdotool key Down Return
    fi
    told=$(date +%s%N)
    wait_until 5 eval '! kill -0 "$pid" 2>/dev/null' || fail "$how: the client still runs 5 s after it was told to end"
    ms=$((($(date +%s%N) - told) / 1000000))
    wait "$pid" 2>/dev/null || true
    leftovers=$(find "$folder" -name '*.part')
    [ -z "$leftovers" ] || fail "$how: temporary files left: $leftovers"
    [ ! -e "$folder/katakana-workbook.pdf" ] || fail "$how: a cut-short document was stored"
    echo "ended during the start-up by $how: gone after ${ms} ms, no temporary file"
done
