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

# signed NAME COMMON_NAME ALT_NAMES DATES...: NAME's certificate from the
# run's CA, valid for DATES (openssl ca's options: openssl x509 cannot date
# a certificate in the past).
signed() {
    key "$1"
    openssl req -new -key "$1-key.pem" -subj "/CN=$2" -out "ca/$1.csr"
    : >ca/index
    openssl ca -batch -config <(printf '[ca]\ndefault_ca=run\n[run]\ndatabase=ca/index\nserial=ca/serial\npolicy=any\n[any]\ncommonName=supplied\n') \
        -cert run/ca.pem -keyfile run/ca-key.pem -in "ca/$1.csr" -out "$1.pem" -outdir ca -rand_serial -md sha256 \
        -notext -extfile <(printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$3") "${@:4}" 2>/dev/null
}
mkdir -p ca
signed other-host other.test DNS:other.test -days 2
signed expired localhost "$names" -startdate 20200101000000Z -enddate 20200102000000Z

key self-signed
openssl req -x509 -key self-signed-key.pem -subj /CN=localhost -days 2 -out self-signed.pem \
    -addext "subjectAltName=$names" -addext extendedKeyUsage=serverAuth
chmod 600 ./*-key.pem
