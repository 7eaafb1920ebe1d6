#!/usr/bin/env bash
# End to end: a group button lists its items, an item opens its document in
# the desktop's PDF viewer (a stand-in registered for application/pdf), the
# notice shows meanwhile and closes about 2 s after the viewer's window came.
# Usage: open_document.sh CLIENT DEMO_SERVICE ARTIFACT_DIR
set -euo pipefail
source "$(dirname "$0")/e2e_lib.sh"

# The stand-in viewer takes a moment to start, like a real one, and names its
# window after the document, as viewers here do.
mkdir -p "$work/bin" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
cat >"$work/bin/standin-viewer" <<'VIEWER'
#!/bin/sh
sleep 1
exec xmessage -title "$(basename "$1") - Stand-in Viewer" "viewing $1"
VIEWER
chmod +x "$work/bin/standin-viewer"
cat >"$XDG_DATA_HOME/applications/standin-viewer.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Stand-in Viewer
Exec=$work/bin/standin-viewer %f
MimeType=application/pdf;
DESKTOP
printf '[Default Applications]\napplication/pdf=standin-viewer.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"

# Until downloads exist the documents are put in place beforehand.
for name in hiragana1 hiragana2 katakana1 gojuon; do
    curl -sf -o "$HOME/qvestrafolder/$name.pdf" "http://127.0.0.1:$service_port/qv_contents/$name.pdf"
done

xvfb-run -a -s "-screen 0 1280x800x24" bash "$e2e_dir/open_document_in_x.sh" "$client" "$artifacts" \
    | tee "$artifacts/open-document.log"
