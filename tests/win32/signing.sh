#!/usr/bin/env bash
# scripts/sign.sh with a throwaway self-signed code-signing certificate made
# here: a copy signed from PEM files and one from a PKCS#12 file verify
# against that certificate, and the signed copy installs a kit under Wine;
# without a certificate, or with a wrong password, sign.sh fails with
# status 2 and leaves the exe byte for byte as it was.
#   signing.sh INSTALL_EXE
set -uo pipefail
EXE="$(realpath -m "${1:?path to install.exe}")"
BINARY="$EXE"
HERE="$(cd "$(dirname "$0")" && pwd)"
SIGN="$HERE/../../scripts/sign.sh"
source "$HERE/../e2e/runner_win32.sh"
source "$HERE/../e2e/checks.sh"

runner_start osslsigncode openssl || exit 1
scratch="$(mktemp -d /tmp/kalvo-signing-XXXXXX)"
trap 'runner_stop; rm -rf "$scratch"' EXIT
cd "$scratch"

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=KALVO test signing" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout key.pem -out cert.pem 2>/dev/null || { echo "openssl could not make a certificate"; exit 1; }
openssl pkcs12 -export -in cert.pem -inkey key.pem -out cert.pfx -passout pass:kalvo-test || exit 1

# sign_expect STATUS NAME ENV...: signs a fresh copy as NAME with ENV set.
sign_expect() {
  local status="$1" name="$2" got; shift 2
  cp "$EXE" "$name"
  env -u KALVO_SIGN_CERT -u KALVO_SIGN_KEY -u KALVO_SIGN_PFX -u KALVO_SIGN_PFX_PASSWORD \
    -u KALVO_SIGN_TIMESTAMP_URL "$@" bash "$SIGN" "$name" >"$name.out" 2>"$name.err"
  got=$?
  [ "$got" = "$status" ] || fail "$name: sign.sh exited with $got, expected $status: $(cat "$name.err")"
  echo "      $name: status $got$([ "$got" = 0 ] || echo ", $(head -c 100 "$name.err")")"
  if [ "$status" = 0 ]; then
    osslsigncode verify -CAfile cert.pem -in "$name" >"$name.verify" 2>&1 ||
      fail "$name: the signature does not verify: $(tail -3 "$name.verify")"
  else
    cmp -s "$EXE" "$name" || fail "$name: changed although signing failed"
    [ -s "$name.err" ] || fail "$name: failed without saying why"
    [ -z "$(ls -A | grep '^\.sign-')" ] || fail "$name: a temporary file was left"
  fi
}

sign_expect 0 pem.exe KALVO_SIGN_CERT=cert.pem KALVO_SIGN_KEY=key.pem
sign_expect 0 pfx.exe KALVO_SIGN_PFX=cert.pfx KALVO_SIGN_PFX_PASSWORD=kalvo-test
sign_expect 2 none.exe
sign_expect 2 wrong-password.exe KALVO_SIGN_PFX=cert.pfx KALVO_SIGN_PFX_PASSWORD=wrong
sign_expect 2 missing-key.exe KALVO_SIGN_CERT=cert.pem KALVO_SIGN_KEY=no-such-key.pem

# The signed exe still installs.
mkdir kit && cp pem.exe kit/install.exe
put kit/a.dcu A
(cd kit && BINARY="$scratch/kit/install.exe" install_expect 0 "$OK_TEXT" && has LIB/a.dcu A &&
  gone a.dcu && done_checks) || FAILURES=$((FAILURES + 1))

echo "signing: $FAILURES failures"
[ "$FAILURES" -eq 0 ]
