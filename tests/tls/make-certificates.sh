#!/usr/bin/env bash
# make-certificates.sh DIR: the certificates of one test run in DIR. The
# run's own trust (scripts/make-run-trust) in DIR/run, for the names the
# tests' services have: localhost, 127.0.0.1 and 10.77.0.1 (the service
# behind the proxy). Beside it the hostile ones, each with its key
# (NAME.pem, NAME-key.pem): another host's, signed by the run's CA
# (other-host); one for the right names that signed itself (self-signed);
# one for the right names from the run's CA whose time is over (expired).
set -euo pipefail
dir=$1
repository=$(cd "$(dirname "$0")/../.." && pwd)
"$repository/scripts/make-run-trust" "$dir/run" localhost 127.0.0.1 10.77.0.1 >/dev/null
cd "$dir"
[ expired.pem -nt run/ca.pem ] && exit 0
names="DNS:localhost,IP:127.0.0.1,IP:10.77.0.1"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1-key.pem" 2>/dev/null; }

key other-host
openssl req -new -key other-host-key.pem -subj /CN=other.test -out other-host.csr
openssl x509 -req -in other-host.csr -CA run/ca.pem -CAkey run/ca-key.pem -CAcreateserial \
    -days 2 -out other-host.pem 2>/dev/null \
    -extfile <(printf 'subjectAltName=DNS:other.test\nextendedKeyUsage=serverAuth\n')

key self-signed
openssl req -x509 -key self-signed-key.pem -subj /CN=localhost -days 2 -out self-signed.pem \
    -addext "subjectAltName=$names" -addext extendedKeyUsage=serverAuth

# openssl x509 cannot date a certificate in the past; its CA command can.
key expired
openssl req -new -key expired-key.pem -subj /CN=localhost -out expired.csr
mkdir -p expired-ca
: >expired-ca/index
echo 01 >expired-ca/serial
cat >expired-ca/ca.cnf <<CONFIG
[ca]
default_ca = run
[run]
database = expired-ca/index
new_certs_dir = expired-ca
serial = expired-ca/serial
default_md = sha256
policy = any
[any]
commonName = supplied
[leaf]
subjectAltName = $names
extendedKeyUsage = serverAuth
CONFIG
openssl ca -batch -config expired-ca/ca.cnf -cert run/ca.pem -keyfile run/ca-key.pem \
    -in expired.csr -out expired.pem -startdate 20200101000000Z -enddate 20200102000000Z \
    -extensions leaf -notext 2>/dev/null
chmod 600 ./*-key.pem
