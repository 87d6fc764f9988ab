#!/usr/bin/env bash
# Makes the signed packed file that the end-to-end pack tests install from, in the order that
# the packager's guide gives: sign setup.exe, pack the media, sign the packed file. The
# certificate is a throw-away one made by openssl; "osslsigncode verify" must pass on both
# signed files.
#   sign-pack.sh OUT_DIR SCRIPT SETUP_EXE WINE_RUNNER...
set -euo pipefail
out=$1 script=$2 setup=$3
shift 3
rm -rf "$out"
mkdir -p "$out/media"
cd "$out"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout key.pem -out cert.pem \
  -subj "/CN=Setup wizard throw-away test signer" -addext extendedKeyUsage=codeSigning \
  2>/dev/null
sign() { osslsigncode sign -certs cert.pem -key key.pem -n "Signed pack test" -in "$1" -out "$2" >/dev/null; }
verify() {
  if ! osslsigncode verify -CAfile cert.pem -in "$1" >verify.log 2>&1; then
    cat verify.log
    echo "sign-pack.sh: osslsigncode verify fails on $1" >&2
    exit 1
  fi
  echo "osslsigncode verify: $1: $(grep -c 'Signature verification: ok' verify.log) signature verified"
}

sign "$setup" media/setup.exe
verify media/setup.exe
cp "$script" media/setup.inf
printf 'the first file\r\n' >media/one.txt
printf 'the second file\r\n' >media/two.txt
(cd media && "$@" setup.exe /pack:..\\Packed.exe)
sign Packed.exe Signed.exe
verify Signed.exe
