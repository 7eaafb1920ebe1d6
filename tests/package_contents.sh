#!/usr/bin/env bash
# The Debian package of the client, as a distribution takes it.
# The client alone: a tree configured without tests, demo service and
# benchmarks, with Qt Test and cpp-httplib hidden from CMake, configures, and
# would build its client with exactly the commands that built this tree's
# client, so it builds without them too. The package made from this tree
# holds the client alone, in Debian's places: the program on the path, its
# help page in its data folder, the desktop entry with its AppStream
# metadata, the icon at every size desktops ask for, the manual page, the
# copyright and the changelog. lintian finds no error and no warning in it,
# appstreamcli and desktop-file-validate none in its desktop files, and the
# program it installs starts: the sign-in window of a first start shows.
# Usage: package_contents.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source "$1/scripts/lib.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Every setting that shapes the client's build commands comes from this tree.
alone=$out/client-alone
settings=()
for name in CMAKE_BUILD_TYPE CMAKE_CXX_COMPILER CMAKE_CXX_COMPILER_LAUNCHER CMAKE_CXX_FLAGS CMAKE_EXE_LINKER_FLAGS \
    QVESTRA_WERROR QVESTRA_SERVICE_SCHEME QVESTRA_SERVICE_HOST QVESTRA_SERVICE_PORT; do
    settings+=("-D$name=$(sed -n "s/^$name:[A-Z]*=//p" "$2/CMakeCache.txt")")
done
cmake -S "$1" -B "$alone" -G Ninja "${settings[@]}" \
    -DQVESTRA_BUILD_TESTING=OFF -DQVESTRA_BUILD_DEMO=OFF -DQVESTRA_BUILD_BENCH=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_Qt6Test=ON -DCPP_HTTPLIB=/nonexistent/libcpp-httplib.so \
    >"$out/configure.log" 2>&1 || { cat "$out/configure.log"; fail "the client alone does not configure"; }
# Ninja names the dependency files of generated sources by a hash of their
# tree's path.
client_commands() {
    ninja -C "$1" -t commands qvestra | sed -e "s|$1|<tree>|g" -e 's|/CMakeFiles/d/[0-9a-f]*\.d|/CMakeFiles/d/<hash>.d|g' | sort
}
if ! diff <(client_commands "$2") <(client_commands "$alone") >"$out/commands.diff"; then
    cat "$out/commands.diff"
    fail "the client alone would not build as this tree's client did"
fi
echo "the client alone configures without Qt Test and cpp-httplib, and builds as this tree's client did"

cpack --config "$2/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; fail "cpack failed"; }
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
echo "$contents"
icons=(./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/qvestra.png)
for path in ./usr/share/qvestra/Help.html \
    ./usr/share/applications/com.qvestra.Client.desktop ./usr/share/metainfo/com.qvestra.Client.metainfo.xml \
    "${icons[@]}" ./usr/share/icons/hicolor/scalable/apps/qvestra.svg \
    ./usr/share/man/man1/qvestra.1.gz ./usr/share/doc/qvestra/copyright ./usr/share/doc/qvestra/changelog.gz; do
    grep -qE "^-rw-r--r-- root/root .* $path\$" <<<"$contents" || fail "$path is not in the package as a plain file"
done
grep -qE '^-rwxr-xr-x root/root .* ./usr/bin/qvestra$' <<<"$contents" || fail "no qvestra program on the path"
if grep -q ' ./usr/lib/' <<<"$contents"; then fail "the package puts files under /usr/lib"; fi
if grep -qiE 'test|demo|bench' <<<"$contents"; then fail "the package holds more than the client"; fi
depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libqt6webenginewidgets6 xdg-utils fonts-noto-cjk; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "the package does not depend on $package: $depends"
done
if grep -qE 'libqt6test|httplib' <<<"$depends"; then fail "the client needs a test library: $depends"; fi
echo "package $(basename "$deb") holds the client in Debian's places"

dpkg-deb -x "$deb" "$out/root"
for icon in "${icons[@]}"; do
    size=$(sed -E 's|.*/([0-9]+)x[0-9]+/apps/.*|\1|' <<<"$icon")
    file "$out/root/$icon" | grep -q "PNG image data, $size x $size," || fail "$icon is not $size px square"
done
version=$(dpkg-deb -f "$deb" Version)
[ "$(zcat "$out/root/usr/share/doc/qvestra/changelog.gz" | dpkg-parsechangelog -l - -S Version)" = "$version" ] \
    || fail "the changelog's latest entry is not version $version"
grep -m 1 '<release ' "$out/root/usr/share/metainfo/com.qvestra.Client.metainfo.xml" | grep -q "version=\"$version\"" \
    || fail "the AppStream metadata's latest release is not version $version"

lintian --fail-on error,warning "$deb" 2>&1 | tee "$out/lintian.log" || fail "lintian finds errors or warnings"
# Both validators print errors and warnings each on a line of its own;
# appstreamcli's pedantic hints may stay.
appstreamcli validate-tree --no-net "$out/root" 2>&1 | tee "$out/appstream.log" && ! grep -qE '^[EW]: ' "$out/appstream.log" \
    || fail "appstreamcli finds errors or warnings"
desktop-file-validate "$out/root/usr/share/applications/com.qvestra.Client.desktop" 2>&1 | tee "$out/desktop.log" \
    && ! grep -qE 'error: |warning: ' "$out/desktop.log" || fail "desktop-file-validate finds errors or warnings"
echo "lintian, appstreamcli and desktop-file-validate find no error and no warning"

# The installed command started by a newcomer, in a network of its own
# where no service answers.
mkdir -p "$out/home"
webengine_environment
HOME="$out/home" "$1/scripts/in-private-network" xvfb-run -a -s "-screen 0 1280x800x24 -noreset" bash -c '
    source "$1/scripts/lib.sh"
    "$2/usr/bin/qvestra" >"$3/client.log" 2>&1 &
    trap "kill $! && wait $!" EXIT
    wait_for_window 60 "q_Vestra LOGIN" >/dev/null || { cat "$3/client.log" >&2; exit 1; }' started "$1" "$out/root" "$out" \
    || fail "the installed program did not show its sign-in window"
