#!/usr/bin/env bash
# Signs a Windows program or installer in place with osslsigncode (SHA-256
# Authenticode). Called by the package step (cmake/make_packages.cmake) and
# by makensis for the uninstaller it writes.
#   NC_SIGN_CERT       the certificate (PEM, or DER/SPC), with its chain
#   NC_SIGN_KEY        its private key (PEM or DER)
#   NC_SIGN_PASS       the key's password, when it has one
#   NC_SIGN_TIMESTAMP  a time-stamp server's address, when one is wanted
set -euo pipefail
file=$1
: "${NC_SIGN_CERT:?NC_SIGN_CERT is not set}" "${NC_SIGN_KEY:?NC_SIGN_KEY is not set}"
args=(sign -certs "$NC_SIGN_CERT" -key "$NC_SIGN_KEY" -h sha256 -n "Norvik Cleaner")
[[ -n "${NC_SIGN_PASS:-}" ]] && args+=(-pass "$NC_SIGN_PASS")
[[ -n "${NC_SIGN_TIMESTAMP:-}" ]] && args+=(-ts "$NC_SIGN_TIMESTAMP")
signed=$file.signed~
rm -f -- "$signed"
if ! osslsigncode "${args[@]}" -in "$file" -out "$signed" >/dev/null; then
  rm -f -- "$signed"
  echo "error: could not sign $file" >&2
  exit 1
fi
mv -f -- "$signed" "$file"
echo "signed $file"
