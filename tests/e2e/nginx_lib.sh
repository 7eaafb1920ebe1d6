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

# nginx_stop DIR ADDRESS PORT: the nginx started in DIR ends, and nothing
# listens at ADDRESS:PORT any more.
nginx_stop() {
    kill "$(cat "$1/nginx.pid" 2>/dev/null)" 2>/dev/null || true
    wait_until 10 eval "! (exec 3<>/dev/tcp/$2/$3) 2>/dev/null"
}

# The types a static copy of the service is served with.
static_types='types { text/html html asp; text/plain txt; application/pdf pdf; image/gif gif; }'

# tls_listen ADDRESS:PORT CERTIFICATE: a server block's lines to serve TLS
# there with CERTIFICATE and its key beside it (NAME.pem, NAME-key.pem).
tls_listen() {
    echo "listen $1 ssl; ssl_certificate $2; ssl_certificate_key ${2%.pem}-key.pem;
        ssl_protocols TLSv1.2 TLSv1.3;"
}

# run_certificates DIR: the test run's certificates made in DIR
# (tests/tls/make-certificates.sh), the client trusting the run's authority
# alone beside the machine's: its own connections and page reads through
# OpenSSL's variable, its web engine through the NSS database in its HOME.
run_certificates() {
    bash "$e2e_dir/../tls/make-certificates.sh" "$1" || fail "the run's certificates were not made"
    export SSL_CERT_FILE="$1/run/ca.pem"
    mkdir -p "$HOME/.pki"
    cp -r "$1/run/home/.pki/nssdb" "$HOME/.pki/nssdb"
}

# static_copy SITE: the demo service's answers to the member A-12's start-up
# as files of a static site at SITE, every document but its large one. Needs
# the demo service of e2e_lib.sh.
static_copy() {
    local name
    copy() {
        mkdir -p "$(dirname "$1/$3")"
        curl -sf -o "$1/$3" "http://127.0.0.1:$service_port$2" || fail "the demo did not answer $2"
    }
    copy "$1" '/q_vestra/execute.asp?yuzaaidhi=A-12' q_vestra/execute.asp
    copy "$1" /q_vestra/LOG_K/qvuser12.txt q_vestra/LOG_K/qvuser12.txt
    for name in hiragana1 hiragana2 katakana1 gojuon; do
        copy "$1" "/qv_contents/$name.pdf" "qv_contents/$name.pdf"
    done
    copy "$1" /q_Vestra/HTML/A-12.txt q_Vestra/HTML/A-12.txt
    copy "$1" /q_Vestra/HTML/Help.html q_Vestra/HTML/Help.html
    copy "$1" /q_Vestra/images/Logo_Movei.gif q_Vestra/images/Logo_Movei.gif
}

# stored_as_served SITE FOLDER: the documents and the copies of the page, the
# help and the logo in the data folder FOLDER are the static copy's in SITE.
stored_as_served() {
    local name
    for name in hiragana1.pdf hiragana2.pdf katakana1.pdf gojuon.pdf; do
        cmp -s "$1/qv_contents/$name" "$2/$name" || fail "$name is not the server's copy"
    done
    cmp -s "$1/q_Vestra/HTML/A-12.txt" "$2/A-12.html" || fail "the member's page is not the server's copy"
    cmp -s "$1/q_Vestra/HTML/Help.html" "$2/Help.html" || fail "the help page is not the server's copy"
    cmp -s "$1/q_Vestra/images/Logo_Movei.gif" "$2/images/LOGO_Movei.gif" || fail "the logo is not the server's copy"
}

# serve_static_over_tls ADDRESS SITE: the static copy made in SITE, the demo
# service stopped, and nginx serving the copy over TLS at ADDRESS:443 with
# the run's certificates (run_certificates, in $work/certificates).
serve_static_over_tls() {
    static_copy "$2"
    stop_demo
    run_certificates "$work/certificates"
    mkdir -p "$work/nginx"
    : >"$artifacts/nginx-access.log"
    nginx_start "$work/nginx" "$artifacts/nginx" \
        "server { $(tls_listen "$1:443" "$work/certificates/run/server.pem") root $2; }" \
        "$static_types" || fail "nginx did not start"
}
