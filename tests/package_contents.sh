#!/usr/bin/env bash
# The Debian package holds the program, the help page beside it, the command
# on the path, the desktop entry and the icon.
# Usage: package_contents.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
echo "$contents"
for path in ./usr/lib/qvestra/qvestra ./usr/lib/qvestra/Help.html \
    ./usr/share/applications/qvestra.desktop ./usr/share/icons/hicolor/32x32/apps/qvestra.png; do
    grep -q " $path\$" <<<"$contents" || { echo "FAILED: $path is not in the package" >&2; exit 1; }
done
grep -q ' ./usr/bin/qvestra -> ../lib/qvestra/qvestra$' <<<"$contents" \
    || { echo "FAILED: no qvestra command on the path" >&2; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6webenginewidgets6 || { echo "FAILED: dependencies missing" >&2; exit 1; }
echo "package $(basename "$deb") holds the program, its help page, the command, the desktop entry and the icon"
