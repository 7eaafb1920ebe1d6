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
