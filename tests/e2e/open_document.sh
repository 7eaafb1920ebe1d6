#!/usr/bin/env bash
# End to end: the client told to end during its start-up downloads ends at
# once, leaving no temporary file but the cut document's part with its
# record; then the typical start, which completes that document: the documents the data folder lacks are
# downloaded, the large one with its progress window on screen; a group
# button lists its items, an item opens its document in the desktop's PDF
# viewer (a stand-in registered for application/pdf), the notice shows
# meanwhile and closes about 2 s after the viewer's window came. Then the
# keyboard alone: F10 opens the menu bar, Escape closes it and an open
# group's items, Return opens the first group and its first item.
# Usage: open_document.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
# The large document comes slowly enough for its progress window to be seen.
demo_args=(--large-mib-per-second 16)
source "$(dirname "$0")/e2e_lib.sh"

# The desktop's PDF viewer is a stand-in that takes a moment to start, like
# a real one, and names its window after the document, as viewers here do.
mkdir -p "$work/bin" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
printf '#!/bin/sh\nsleep 1\nexec xmessage -title "$(basename "$1") - Stand-in Viewer" "viewing $1"\n' >"$work/bin/standin-viewer"
chmod +x "$work/bin/standin-viewer"
printf '[Desktop Entry]\nType=Application\nName=Stand-in Viewer\nExec=%s %%f\nMimeType=application/pdf;\n' \
    "$work/bin/standin-viewer" >"$XDG_DATA_HOME/applications/standin-viewer.desktop"
printf '[Default Applications]\napplication/pdf=standin-viewer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

# ended_by HOW: the client told to end while it downloads the large document,
# by SIGTERM or by ﾌｧｲﾙ → 終了, ends at once and leaves no temporary file but
# that document's part, with its record, to be continued; the later start
# still finds the document missing.
ended_by() {
    local told ms leftovers
    start_client "$artifacts/ended-by-$1"
    wait_for_window 60 '^初期処理$' >/dev/null || fail "$1: no progress window for the download"
    if [ "$1" = signal ]; then
        kill -TERM "$client_pid"
    else
        xdotool mousemove 15 11 click 1
        wait_until 30 menu_open || fail "$1: the file menu did not open"
        xdotool key Down Return
    fi
    told=$(date +%s%N)
    # A hang guard: that the download was not waited for shows in the files.
    wait_until 60 gone "$client_pid" || fail "$1: the client still runs 60 s after it was told to end"
    ms=$(ms_since "$told")
    leftovers=$(find "$folder" -name '*.part' ! -name "$(basename "$part")")
    [ -z "$leftovers" ] || fail "$1: temporary files left: $leftovers"
    [ ! -e "$part" ] || [ -s "$folder/.katakana-workbook.pdf.resume" ] || fail "$1: the cut document's part has no record"
    [ ! -e "$folder/katakana-workbook.pdf" ] || fail "$1: a cut-short document was stored"
    echo "ended during the start-up by $1: gone after $ms ms, no temporary file but the part to continue"
}
part="$folder/.katakana-workbook.pdf.part"
ended_by signal
ended_by menu

# The typical start: the progress window of the large document, then a group
# and an item clicked, the notice seen, the stand-in viewer's window coming,
# and the notice closing about 2 s after it.
capture "$artifacts" --keep-running &
capture_pid=$!
progress=$(wait_for_window 30 '^初期処理$') || fail "no progress window for the download"
wait_until 30 window_painted "$progress" || fail "the progress window was not painted"
import -window root "$artifacts/progress.png"
wait_for_window_gone 60 '^初期処理$' || fail "the progress window stayed"
wait_until 10 test -e "$folder/katakana-workbook.pdf" || fail "the cut document was not completed"
[ -z "$(find "$folder" -name '.katakana-workbook.pdf.*')" ] || fail "the completed document left its part or record"
wait "$capture_pid" || fail "the main window did not show its menu page"
open_second_item_of_first_group
wait_for_window 60 'A c r o b a t' >/dev/null || fail "no notice after opening a document"
import -window root "$artifacts/notice-and-items.png"
wait_for_window 60 'hiragana2.pdf - Stand-in Viewer' >/dev/null || fail "the viewer did not open hiragana2.pdf"
# Seen at once, while the notice has most of its two seconds left.
xdotool search --onlyvisible --name 'A c r o b a t' >/dev/null || fail "the notice closed before the viewer's window came"
seen=$(date +%s%N)
wait_for_window_gone 60 'A c r o b a t' || fail "the notice did not close"
echo "notice closed $(ms_since "$seen") ms after the viewer's window appeared"
import -window root "$artifacts/viewer-in-front.png"

main=$(wait_for_window 10 'Q_Vestraメニュー') || fail "the main window is gone"
xdotool windowfocus --sync "$main"
xdotool key F10
wait_until 10 menu_open || fail "F10 did not open the menu bar"
xdotool key Escape Escape
wait_until 10 eval '! menu_open' || fail "Escape did not close the menu"
xdotool key Escape Return
wait_until 30 screen_shows "${first_group_items_painted[@]}" || fail "Return did not open the first group"
xdotool key Return
wait_for_window 60 'hiragana1.pdf - Stand-in Viewer' >/dev/null || fail "Return did not open the first item"
