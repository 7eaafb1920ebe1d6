#!/usr/bin/env bash
# End to end, a newcomer's first run: a normal user, without a display,
# runs the README's run command from a fresh clone while another server
# (nginx) holds the host's port 80. The command succeeds, the sign-in and
# main windows are photographed, and the other server receives no request.
# Usage: run_demo_as_user.sh REPOSITORY ARTIFACT_DIR
set -euo pipefail
repo=$1
artifacts=$2
if [ "$(id -u)" -ne 0 ]; then
    echo "creating the test user needs root; skipped"
    exit 77
fi
source "$repo/scripts/lib.sh"
user=qvestra-newcomer
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
work=$(mktemp -d)
rm -rf "$artifacts" "$home/qvestra"
mkdir -p "$artifacts"
git clone -q "$repo" "$home/qvestra"
chown -R "$user:" "$home/qvestra"

if (exec 3<>/dev/tcp/127.0.0.1/80) 2>/dev/null; then fail "something already listens on the host's port 80"; fi
source "$(dirname "$0")/nginx_lib.sh"
nginx_start "$work" "$artifacts/other-server" \
    'server { listen 127.0.0.1:80; return 200 "not the demo service\n"; }' \
    || fail "the other server did not start"
trap 'kill "$(cat "$work/nginx.pid")" 2>/dev/null || true; rm -rf "$work"' EXIT
wait_for_port 127.0.0.1 80 10 || fail "the other server does not listen"

su - "$user" -c 'cd qvestra && bash scripts/run-demo' >"$artifacts/run-demo.log" 2>&1 \
    || { tail -n 30 "$artifacts/run-demo.log" >&2; fail "the run command failed"; }
cp "$home/qvestra/demo-shots/"*.png "$artifacts/" 2>/dev/null || true
[ -s "$artifacts/sign-in.png" ] || fail "no screenshot of the sign-in window"
[ -s "$artifacts/main-window.png" ] || fail "no screenshot of the main window"
[ ! -s "$artifacts/other-server-access.log" ] || fail "the other server on port 80 was asked: $(head -n 3 "$artifacts/other-server-access.log")"
grep -E 'Demo service|Screenshots' "$artifacts/run-demo.log"
echo "a normal user's run command: sign-in and main window shown, port 80 of the host untouched"
