#!/usr/bin/env bash
# End to end, a newcomer's first run: a normal user, without a display,
# runs the README's run command from a fresh clone while another server
# (nginx) holds port 80 of the network the command starts in. The command
# succeeds, the sign-in and main windows are photographed, and the other
# server receives no request.
# That network is the test's own where the machine allows one, and the user
# is named after the tree: runs from other trees on the same machine keep
# their port 80 and their user.
# The newcomer builds with BUILD_DIR's warnings setting and compiles through
# a ccache folder of its own there, kept between runs, which first asks the
# compiles scripts/test shared from BUILD_DIR: a machine that built these
# sources before, with the same settings.
# Usage: run_demo_as_user.sh REPOSITORY BUILD_DIR
set -euo pipefail
repo=$1
build=$2
artifacts=$build/test-artifacts/e2e-run-demo-as-user
cache=$build/newcomer-ccache
shared=$build/shared-compiles
werror=$(sed -n 's/^QVESTRA_WERROR:BOOL=//p' "$build/CMakeCache.txt")
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIPPED: creating the test user needs root"
    exit 77
fi
if [ "${QVESTRA_IN_TEST_NETNS:-}" != 1 ] && unshare --net true 2>/dev/null; then
    exec unshare --net env QVESTRA_IN_TEST_NETNS=1 bash "$0" "$@"
fi
[ "${QVESTRA_IN_TEST_NETNS:-}" != 1 ] || ip link set lo up
source "$repo/scripts/lib.sh"
if (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null; then fail "something already listens on port 80 here"; fi
rm -rf "$artifacts"
mkdir -p "$artifacts"

# The user is the test's own and leaves with it, whatever the outcome; one
# still here is an earlier run's that was killed before its clean-up, and
# goes first, so that the newcomer starts with an empty home.
user=qvestra-nc-$(printf %s "$repo" | md5sum | cut -c1-8)
if id "$user" >/dev/null 2>&1; then
    echo "removing the user $user an earlier run left"
    userdel --remove "$user" 2>/dev/null || fail "cannot remove the user $user an earlier run left"
fi
work=$(mktemp -d)
cleanup() {
    if [ -s "$work/nginx.pid" ]; then kill "$(cat "$work/nginx.pid")" 2>/dev/null || true; fi
    if id "$user" >/dev/null 2>&1 && ! userdel --remove "$user" 2>"$work/userdel.log"; then
        echo "the test user $user could not be removed: $(cat "$work/userdel.log")" >&2
    fi
    rm -rf "$work"
}
trap cleanup EXIT
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
git clone -q "$repo" "$home/qvestra"
chown -R "$user:" "$home/qvestra"
mkdir -p "$cache" "$home/.config/ccache"
chown -R "$user:" "$cache" "$home/.config"
# A folder the newcomer cannot reach would fail every compile.
if su "$user" -c "test -w '$cache'"; then
    echo "cache_dir = $cache" >"$home/.config/ccache/ccache.conf"
    if su "$user" -c "test -r '$shared' && test -x '$shared'"; then
        echo "remote_storage = file:$shared|read-only" >>"$home/.config/ccache/ccache.conf"
    fi
fi

source "$(dirname "$0")/nginx_lib.sh"
nginx_start "$work" "$artifacts/other-server" \
    'server { listen 127.0.0.1:80; return 200 "not the demo service\n"; }' \
    || fail "the other server did not start"
wait_for_port 127.0.0.1 80 10 || fail "the other server does not listen"

# ccache tells compiles apart by their locale too: the newcomer's is the
# runner's.
locale=$(env | grep -E '^(LANG|LC_ALL|LC_CTYPE|LC_MESSAGES)=' | paste -sd ' ' || true)
su - "$user" -c "cd qvestra && env $locale QVESTRA_CMAKE_ARGS=-DQVESTRA_WERROR=${werror:-OFF} bash scripts/run-demo" >"$artifacts/run-demo.log" 2>&1 \
    || { tail -n 30 "$artifacts/run-demo.log" >&2; fail "the run command failed"; }
cp "$home/qvestra/demo-shots/"*.png "$artifacts/" 2>/dev/null || true
[ -s "$artifacts/sign-in.png" ] || fail "no screenshot of the sign-in window"
[ -s "$artifacts/main-window.png" ] || fail "no screenshot of the main window"
[ ! -s "$artifacts/other-server-access.log" ] || fail "the other server on port 80 was asked: $(head -n 3 "$artifacts/other-server-access.log")"
echo "a normal user's run command: sign-in and main window shown, port 80 of the host untouched"
