#!/usr/bin/env bash
# The Debian package of the client alone: a tree configured without tests,
# demo service and benchmarks, and so without Qt Test and cpp-httplib (both
# hidden from CMake here), builds the client and packages it. The package
# holds the program, the help page beside it, the command on the path, the
# desktop entry and the icon, and the program it installs starts: the sign-in
# window of a first start shows.
# Usage: package_contents.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source "$1/scripts/lib.sh"
tree=$2/client-alone
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cmake -S "$1" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQVESTRA_WERROR=ON \
    -DQVESTRA_BUILD_TESTING=OFF -DQVESTRA_BUILD_DEMO=OFF -DQVESTRA_BUILD_BENCH=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=ON -DCPP_HTTPLIB=/nonexistent/libcpp-httplib.so >/dev/null
cmake --build "$tree" --parallel "$(nproc)" >/dev/null
cpack --config "$tree/CPackConfig.cmake" -B "$out" >/dev/null
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
echo "$contents"
for path in ./usr/lib/qvestra/qvestra ./usr/lib/qvestra/Help.html \
    ./usr/share/applications/qvestra.desktop ./usr/share/icons/hicolor/32x32/apps/qvestra.png; do
    grep -q " $path\$" <<<"$contents" || fail "$path is not in the package"
done
grep -q ' ./usr/bin/qvestra -> ../lib/qvestra/qvestra$' <<<"$contents" || fail "no qvestra command on the path"
dpkg-deb -f "$deb" Depends | grep -q libqt6webenginewidgets6 || fail "dependencies missing"
if dpkg-deb -c "$deb" | grep -qiE 'test|demo|bench'; then fail "the package holds more than the client"; fi
echo "package $(basename "$deb") holds the program, its help page, the command, the desktop entry and the icon"

# The installed command started by a newcomer, in a network of its own
# where no service answers.
dpkg-deb -x "$deb" "$out/root"
mkdir -p "$out/home"
webengine_environment
HOME="$out/home" "$1/scripts/in-private-network" xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c '
    source "$1/scripts/lib.sh"
    "$2/usr/bin/qvestra" >"$3/client.log" 2>&1 &
    client=$!
    shown=0
    wait_for_window 60 "q_Vestra LOGIN" >/dev/null && shown=1
    kill "$client" 2>/dev/null
    wait "$client" 2>/dev/null || true
    [ "$shown" = 1 ] || { cat "$3/client.log" >&2; exit 1; }' started "$1" "$out/root" "$out" \
    || fail "the installed program did not show its sign-in window"
echo "the installed program starts: its sign-in window showed"
