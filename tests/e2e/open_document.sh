#!/usr/bin/env bash
# End to end: the client told to end during its start-up downloads ends at
# once; then the typical start: the documents the data folder lacks are
# downloaded, the large one with its progress window on screen; a group
# button lists its items, an item opens its document in the desktop's PDF
# viewer (a stand-in registered for application/pdf), the notice shows
# meanwhile and closes about 2 s after the viewer's window came.
# Usage: open_document.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
# The large document comes slowly enough for its progress window to be seen.
demo_args=(--large-mib-per-second 16)
source "$(dirname "$0")/e2e_lib.sh"

register_standin_viewer

# ended_by HOW: the client told to end while it downloads the large document,
# by SIGTERM or by ﾌｧｲﾙ → 終了, ends at once and leaves no temporary file;
# the later start still finds the document missing.
ended_by() {
    local pid told ms leftovers
    "$client" >"$artifacts/client-$1.log" 2>&1 &
    pid=$!
    wait_for_window 60 '^初期処理$' >/dev/null || fail "$1: no progress window for the download"
    if [ "$1" = signal ]; then
        kill -TERM "$pid"
    else
        xdotool mousemove 15 11 click 1
        sleep 0.3
        xdotool key Down Return
    fi
    told=$(date +%s%N)
    wait_until 5 eval '! kill -0 "$pid" 2>/dev/null' || fail "$1: the client still runs 5 s after it was told to end"
    ms=$((($(date +%s%N) - told) / 1000000))
    wait "$pid" 2>/dev/null || true
    leftovers=$(find "$HOME/qvestrafolder" -name '*.part')
    [ -z "$leftovers" ] || fail "$1: temporary files left: $leftovers"
    [ ! -e "$HOME/qvestrafolder/katakana-workbook.pdf" ] || fail "$1: a cut-short document was stored"
    echo "ended during the start-up by $1: gone after ${ms} ms, no temporary file"
}
ended_by signal
ended_by menu
open_a_document "$artifacts" --progress
