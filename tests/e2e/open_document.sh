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

xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$e2e_dir/end_during_startup_in_x.sh" \
    "$client" "$artifacts/ended" "$HOME/qvestrafolder" | tee "$artifacts/end-during-startup.log"

xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash "$e2e_dir/open_document_in_x.sh" "$client" "$artifacts" --progress \
    | tee "$artifacts/open-document.log"
