# Shared steps of the run and test commands: install what is missing from
# Debian, then configure and build. Sourced, not run.

# Window titles are Japanese: the window searches below need a UTF-8 locale,
# and a login without one (LANG unset) would never find a window.
case "$(locale charmap 2>/dev/null)" in
    UTF-8) ;;
    *) export LC_ALL=C.UTF-8 ;;
esac

# What building and running the client and the demo service needs;
# librsvg2-bin renders the icon's sizes from its drawing; openssl and
# libnss3-tools make an HTTPS run's own trust.
QVESTRA_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config librsvg2-bin
    qt6-base-dev qt6-declarative-dev qt6-webengine-dev libcurl4-openssl-dev libc-ares-dev libcpp-httplib-dev libx11-dev libx11-xcb-dev
    libssl-dev openssl libnss3-tools
    qt6-wayland xvfb xauth x11-utils xdotool imagemagick fonts-noto-cjk xdg-utils
    iproute2 util-linux curl
)
# What the test suite needs besides: the sanitizer and fuzzing compiler,
# the tools of the end-to-end tests, nginx as a real peer, what makes the
# run's certificates and its NSS database, what makes and
# checks the Debian package, and ccache, which keeps the suite's second run
# from compiling again what it compiled before.
QVESTRA_TEST_PACKAGES=(
    clang libclang-rt-14-dev file bc nginx tinyproxy socat git weston evince
    dpkg-dev lintian appstream desktop-file-utils ccache openssl libnss3-tools
)

# fail MESSAGE: ends the script, saying why.
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PACKAGE...: installs those that are missing.
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing missing packages: ${missing[*]}"
        as_root apt-get update -q
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

# build_tree DIR [extra cmake arguments...]: configures and builds
# everything, or only QVESTRA_TARGETS when set. Where ccache is installed
# every compile goes through it, and a tree that was built before, here or
# in another build folder of the same sources, takes its objects from the
# cache: its keys leave out the folder the compiler runs in, and the paths
# inside the tree (each library's exported headers among them) count
# relative to it. A tree keeps no ccache that has gone since.
build_tree() {
    local dir=$1
    shift
    export CCACHE_NOHASHDIR=true
    # The tests' precompiled headers are cached like any other object.
    export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
    CCACHE_BASEDIR=$(pwd)
    export CCACHE_BASEDIR
    # Release: neither the demo run nor the tests read debug information,
    # which takes a quarter of a compile's time; the sanitizer tree keeps
    # the line tables its reports need.
    # shellcheck disable=SC2086  # QVESTRA_CMAKE_ARGS is a list of words on purpose
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_COMPILER_LAUNCHER="$(command -v ccache || true)" ${QVESTRA_CMAKE_ARGS:-} "$@" >/dev/null
    # shellcheck disable=SC2086
    cmake --build "$dir" --parallel "$(nproc)" ${QVESTRA_TARGETS:+--target $QVESTRA_TARGETS}
}

# service_active NAME: true when systemd runs and has the service running.
service_active() {
    [ -d /run/systemd/system ] && systemctl is-active --quiet "$1"
}

# wait_for_demo PID PORT SECONDS [https CA_FILE]: true once the demo
# service started as PID answers on PORT, and not some other server that
# listens there; with https, over TLS with a certificate CA_FILE signed.
wait_for_demo() {
    local i url=http://127.0.0.1:$2/qvestra-demo/identity cacert=()
    if [ "${4:-http}" = https ]; then
        url=https://127.0.0.1:$2/qvestra-demo/identity
        cacert=(--cacert "$5")
    fi
    for ((i = 0; i < $3 * 10; i++)); do
        kill -0 "$1" 2>/dev/null || return 1
        if [ "$(curl -s --max-time 2 "${cacert[@]}" "$url")" = "qvestra-demo $1" ]; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Qt WebEngine's sandbox cannot run as root; without a GPU it must not try one.
webengine_environment() {
    if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
    export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
}

# wait_until SECONDS COMMAND...: true once COMMAND succeeds, tried every
# tenth of a second.
wait_until() {
    local deadline=$((SECONDS + $1))
    until "${@:2}"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# wait_for_port HOST PORT SECONDS
wait_for_port() {
    wait_until "$3" bash -c "exec 3<>/dev/tcp/$1/$2" 2>/dev/null
}

# wait_for_window SECONDS TITLE_PATTERN: prints the id of the first visible
# window whose title matches. xdotool's own --sync aborts with BadWindow when
# a window it is looking at is destroyed meanwhile, which Qt does with its
# short-lived start-up windows, so each try is a fresh search. The X server
# must run with -noreset: otherwise a search that ends while no other client
# is connected resets it, and a client connecting at that moment fails.
wait_for_window() {
    local deadline=$((SECONDS + $1)) ids
    while :; do
        if ids=$(xdotool search --onlyvisible --name "$2" 2>/dev/null) && [ -n "$ids" ]; then
            head -n 1 <<<"$ids"
            return 0
        fi
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# wait_for_window_gone SECONDS TITLE_PATTERN: true once no visible window's
# title matches.
wait_for_window_gone() {
    local deadline=$((SECONDS + $1))
    while xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# page_painted SHOT: the service's pages have a header band of this blue;
# once it is in the screenshot a page has been rendered, not merely requested.
page_painted() {
    local colours
    colours=$(convert "$1" -format %c histogram:info:-)
    grep -q 'srgb(31,63,159)' <<<"$colours"
}

# start_xvfb: an X server of its own for a benchmark; sets DISPLAY and
# xvfb_pid. The server picks a free display and reports it once it takes
# clients, so there is neither a guessed number nor a fixed wait.
start_xvfb() {
    local reported
    reported=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$reported" >/dev/null 2>&1 &
    xvfb_pid=$!
    wait_until 10 test -s "$reported"
    [ -s "$reported" ] && DISPLAY=:$(tr -d '\n' <"$reported")
    rm -f "$reported"
    [ -n "${DISPLAY:-}" ] && export DISPLAY
}
