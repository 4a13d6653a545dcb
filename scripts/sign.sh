#!/usr/bin/env bash
# Signs install.exe in place with Authenticode, SHA-256 digest.
#   scripts/sign.sh [EXE]        (default build/win32/install.exe)
# The certificate comes from the environment:
#   KALVO_SIGN_CERT and KALVO_SIGN_KEY   PEM files: certificate (chain) and key
#   KALVO_SIGN_PFX                       or a PKCS#12 file,
#   KALVO_SIGN_PFX_PASSWORD              with its password, if it has one
#   KALVO_SIGN_TIMESTAMP_URL             when set, an RFC 3161 time-stamp server
# With no certificate, or on any failure, it says why on stderr, exits with
# status 2 and leaves the exe byte for byte as it was: the signed exe is
# written beside it and renamed over it only once complete.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${1:-$root/build/win32/install.exe}"
staged="" output="" password=""

fail() {
  echo "sign.sh: $*" >&2
  rm -f "$staged" "$output" "$password"
  exit 2
}

[ -f "$exe" ] || fail "no file $exe (build it first: cmake --build --preset win32)"
command -v osslsigncode >/dev/null || fail "osslsigncode is missing (bash scripts/setup.sh win32)"

args=(sign -h sha256 -n "KALVO unit installer")
if [ -n "${KALVO_SIGN_PFX:-}" ]; then
  [ -r "$KALVO_SIGN_PFX" ] || fail "cannot read KALVO_SIGN_PFX=$KALVO_SIGN_PFX"
  args+=(-pkcs12 "$KALVO_SIGN_PFX")
  # From a private file rather than the command line, where other users
  # could see it.
  if [ -n "${KALVO_SIGN_PFX_PASSWORD:-}" ]; then
    password="$(mktemp)" && printf '%s' "$KALVO_SIGN_PFX_PASSWORD" >"$password" ||
      fail "cannot write a temporary file"
    args+=(-readpass "$password")
  fi
elif [ -n "${KALVO_SIGN_CERT:-}" ] || [ -n "${KALVO_SIGN_KEY:-}" ]; then
  [ -r "${KALVO_SIGN_CERT:-}" ] || fail "cannot read KALVO_SIGN_CERT=${KALVO_SIGN_CERT:-}"
  [ -r "${KALVO_SIGN_KEY:-}" ] || fail "cannot read KALVO_SIGN_KEY=${KALVO_SIGN_KEY:-}"
  args+=(-certs "$KALVO_SIGN_CERT" -key "$KALVO_SIGN_KEY")
else
  fail "no certificate: set KALVO_SIGN_CERT and KALVO_SIGN_KEY (PEM files), or KALVO_SIGN_PFX"
fi
[ -n "${KALVO_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$KALVO_SIGN_TIMESTAMP_URL")

dir="$(dirname "$exe")"
staged="$(mktemp "$dir/.sign-XXXXXX.exe")" || fail "cannot write in $dir"
rm -f "$staged"  # osslsigncode writes its output itself
output="$(mktemp)"
osslsigncode "${args[@]}" -in "$exe" -out "$staged" >"$output" 2>&1 ||
  fail "osslsigncode could not sign $exe: $(tr '\n' ' ' <"$output")"
[ -s "$staged" ] || fail "osslsigncode wrote no signed file"
chmod --reference="$exe" "$staged" && mv -f "$staged" "$exe" || fail "cannot put the signed file in place"
rm -f "$output" "$password"
echo "signed $exe"
echo "SHA-256 $(sha256sum "$exe" | cut -d' ' -f1)"
