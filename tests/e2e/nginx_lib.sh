# nginx_start DIR LOGS SERVER [HTTP]: starts nginx as a single process with
# every file it writes in DIR and its logs at LOGS-error.log and
# LOGS-access.log; SERVER is its server block, HTTP more lines for its http
# block. Sourced after scripts/lib.sh.
# Each access line has its time, the request line as it came, the TLS version it came
# in (tls=- when plain) and any proxy credentials that reached the server.
nginx_start() {
    cat >"$1/nginx.conf" <<CONF
daemon on;
user root root;
# One process: a worker would drop to that user, which a namespace forbids.
master_process off;
pid $1/nginx.pid;
error_log $2-error.log;
events {}
http {
    ${4:-}
    log_format requests '\$msec \$remote_addr "\$request" \$status \$body_bytes_sent tls=\$ssl_protocol proxy_auth=\$http_proxy_authorization';
    access_log $2-access.log requests;
    client_body_temp_path $1/body;
    proxy_temp_path $1/proxy;
    fastcgi_temp_path $1/fastcgi;
    uwsgi_temp_path $1/uwsgi;
    scgi_temp_path $1/scgi;
    $3
}
CONF
    # A user's PATH on Debian lacks /usr/sbin.
    nginx=$(command -v nginx || echo /usr/sbin/nginx)
    "$nginx" -c "$1/nginx.conf" -p "$1"
}

# The rest is the end-to-end runs' (e2e_lib.sh sources this file).

# nginx_serve LOGS SERVER [HTTP]: nginx_start in $work/nginx with its access
# log begun anew; it listens at the address of SERVER's first listen line
# once this returns. nginx_stop, or the script's end, stops it.
nginx_serve() {
    mkdir -p "$work/nginx"
    : >"$1-access.log"
    nginx_start "$work/nginx" "$@" || fail "nginx did not start"
    nginx_at=$(sed -nE 's|.*listen ([0-9.]+):([0-9]+).*|\1/\2|p' <<<"$2" | head -n 1)
    wait_for_port "${nginx_at%/*}" "${nginx_at#*/}" 10 || fail "nginx does not listen at $nginx_at"
}

# nginx_stop [SIGNAL]: the nginx of nginx_serve ends, by SIGNAL (TERM when
# not named), and nothing listens at its address any more.
nginx_stop() {
    [ -n "${nginx_at:-}" ] || return 0
    kill -"${1:-TERM}" "$(cat "$work/nginx/nginx.pid" 2>/dev/null)" 2>/dev/null || true
    rm -f "$work/nginx/nginx.pid"
    wait_until 10 eval "! (exec 3<>/dev/tcp/$nginx_at) 2>/dev/null" && nginx_at=
}

# The types a static copy of the service is served with.
static_types='types { text/html html asp; text/plain txt; application/pdf pdf; image/gif gif; }'

# tls_listen ADDRESS:PORT CERTIFICATE: a server block's lines to serve TLS
# there with CERTIFICATE and its key beside it (NAME.pem, NAME-key.pem).
tls_listen() {
    echo "listen $1 ssl; ssl_certificate $2; ssl_certificate_key ${2%.pem}-key.pem;
        ssl_protocols TLSv1.2 TLSv1.3;"
}

# run_certificates: the test run's certificates made in $certificates
# (tests/tls/make-certificates.sh), the client trusting the run's authority
# alone beside the machine's: its own connections and page reads through
# OpenSSL's variable, its web engine through the NSS database in its HOME.
run_certificates() {
    certificates=$work/certificates
    bash "$e2e_dir/../tls/make-certificates.sh" "$certificates" || fail "the run's certificates were not made"
    export SSL_CERT_FILE="$certificates/run/ca.pem"
    mkdir -p "$HOME/.pki"
    cp -r "$certificates/run/home/.pki/nssdb" "$HOME/.pki/nssdb"
}

# What a start stores of a static copy of the service, as PATH=NAME: the
# file at PATH in the copy is stored as NAME in the data folder. These are
# every document but the large one, and the copies of the member's page,
# the help and the logo.
stored_copies=(qv_contents/hiragana1.pdf=hiragana1.pdf qv_contents/hiragana2.pdf=hiragana2.pdf
    qv_contents/katakana1.pdf=katakana1.pdf qv_contents/gojuon.pdf=gojuon.pdf q_Vestra/HTML/A-12.txt=A-12.html
    q_Vestra/HTML/Help.html=Help.html q_Vestra/images/Logo_Movei.gif=images/LOGO_Movei.gif)

# static_copy: the demo service's answers to the member A-12's start-up as
# files of a static site at $site (the stored copies, the record and the
# menu page); the demo service then stops.
static_copy() {
    local file
    site=$work/site
    for file in 'q_vestra/execute.asp?yuzaaidhi=A-12' q_vestra/LOG_K/qvuser12.txt "${stored_copies[@]%%=*}"; do
        curl -sf --create-dirs -o "$site/${file%%\?*}" "http://127.0.0.1:$service_port/$file" \
            || fail "the demo did not answer /$file"
    done
    stop_demo
}

# stored_as_served: every stored copy in the data folder is the static
# copy's file.
stored_as_served() {
    local copy
    for copy in "${stored_copies[@]}"; do
        cmp -s "$site/${copy%%=*}" "$folder/${copy#*=}" || fail "${copy#*=} is not the server's copy"
    done
}

# serve_static_over_tls ADDRESS: the static copy made, the demo service
# stopped, and nginx serving the copy over TLS at ADDRESS:443 with the run's
# certificates.
serve_static_over_tls() {
    static_copy
    run_certificates
    nginx_serve "$artifacts/nginx" "server { $(tls_listen "$1:443" "$certificates/run/server.pem") root $site; }" \
        "$static_types"
}

# asked REQUEST STATUS: nginx logged REQUEST as it came and answered STATUS.
asked() { grep -qF "\"$1\" $2 " "$artifacts/nginx-access.log" || fail "nginx was not asked \"$1\" ($2)"; }
