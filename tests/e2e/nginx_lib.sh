# nginx_start DIR LOGS SERVER [HTTP]: starts nginx as a single process with
# every file it writes in DIR and its logs at LOGS-error.log and
# LOGS-access.log; SERVER is its server block, HTTP more lines for its http
# block. Sourced after scripts/lib.sh.
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
    access_log $2-access.log;
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
