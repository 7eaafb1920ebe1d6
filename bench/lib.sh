# Helpers the benchmark scripts share. Sourced after scripts/lib.sh by a
# script that sets work (its temporary folder), port (the compiled-in
# service port) and wait_for_color (the built bench/wait_for_color).

# in_private_network SCRIPT "$@": SCRIPT (a path from the project's root)
# runs again in a network of its own (scripts/in-private-network), as any
# user, so its demo services take their ports there and no other server on
# this machine is ever measured.
in_private_network() {
    [ "${QVESTRA_IN_BENCH_NETNS:-}" = 1 ] && return 0
    if ! scripts/in-private-network --check 2>/dev/null; then
        echo "The benchmarks need a network of their own (user namespaces), which this machine does not allow." >&2
        exit 1
    fi
    exec scripts/in-private-network env QVESTRA_IN_BENCH_NETNS=1 bash "$@"
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }
median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
ratio() { echo "$1 / $2" | bc -l; }

# start_demo [DEMO OPTION...]: the demo service, in place of one started
# before, with a small large document; sets demo_pid. Over TLS with the
# run's trust in $trust once use_tls ran.
demo_tls=() demo_trusted=()
start_demo() {
    [ -n "${demo_pid:-}" ] && { kill "$demo_pid"; wait "$demo_pid" 2>/dev/null || true; }
    build/demo/qvestra-demo --large-mib 1 --port "$port" "${demo_tls[@]}" "$@" >"$work/demo.log" 2>&1 &
    demo_pid=$!
    wait_for_demo "$demo_pid" "$port" 10 "${demo_trusted[@]}"
}
# use_tls PORT: the demo services that follow speak TLS on PORT, and the
# client, curl and the web engine (an NSS database in HOME) trust them
# through the run's own authority ($work/trust), never the machine's.
use_tls() {
    trust="$work/trust"
    scripts/make-run-trust "$trust" localhost 127.0.0.1 >/dev/null
    port=$1
    demo_tls=(--tls-certificate "$trust/server.pem" --tls-key "$trust/server-key.pem")
    demo_trusted=(https "$trust/ca.pem")
    export SSL_CERT_FILE="$trust/ca.pem"
    mkdir -p "$HOME/.pki"
    ln -sfn "$trust/home/.pki/nssdb" "$HOME/.pki/nssdb"
}
stop_demo() { kill "$demo_pid"; wait "$demo_pid" 2>/dev/null || true; demo_pid=; }

# end_run PID: ends a window's process and waits until its web engine's
# helper processes are gone too, so the next run starts on a quiet machine.
engine_helpers_left() { pgrep -u "$(id -u)" -f QtWebEngineProcess >/dev/null; }
end_run() {
    kill "$1"
    wait "$1" 2>/dev/null || true
    wait_until 5 eval '! engine_helpers_left' || true
}

# at_color FILE COLOUR REGION: writes the time the colour showed to FILE.
at_color() { "$wait_for_color" "$2" 60000 "$3" && now_ms >"$1"; }
