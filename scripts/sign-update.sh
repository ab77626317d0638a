#!/usr/bin/env bash
# Signs an update archive for the update server.
#
#   scripts/sign-update.sh --new-key <secret-key-file>
#       makes a new Ed25519 key pair: the secret key goes to <secret-key-file> (keep it outside
#       the repository, readable only by you) and the public key is printed as 64 hex digits,
#       the value of the CMake cache variable ZENSORIA_UPDATE_PUBLIC_KEY.
#   scripts/sign-update.sh <secret-key-file> <archive>
#       writes <archive>.sig, the detached signature (64 bytes) that the server keeps beside the
#       archive, checks it, and prints the public key it belongs to.
#
# Needs OpenSSL 1.1.1 or later.
set -euo pipefail

public_key_hex() {
    # The last 32 bytes of the DER form of an Ed25519 public key are the key itself.
    openssl pkey -in "$1" -pubout -outform DER | tail -c 32 | od -An -v -tx1 | tr -d ' \n'
    echo
}

if [ "${1:-}" = "--new-key" ] && [ $# -eq 2 ]; then
    [ -e "$2" ] && { echo "$2 gibt es schon; es wird nicht überschrieben." >&2; exit 1; }
    (umask 077 && openssl genpkey -algorithm ed25519 -out "$2")
    public_key_hex "$2"
    exit 0
fi

if [ $# -ne 2 ]; then
    echo "Aufruf: $0 --new-key <Schlüsseldatei> | $0 <Schlüsseldatei> <Archiv>" >&2
    exit 2
fi

key=$1
archive=$2
openssl pkeyutl -sign -inkey "$key" -rawin -in "$archive" -out "$archive.sig"
pub=$(mktemp)
trap 'rm -f "$pub"' EXIT
openssl pkey -in "$key" -pubout -out "$pub"
openssl pkeyutl -verify -pubin -inkey "$pub" -rawin -in "$archive" -sigfile "$archive.sig" >/dev/null
public_key_hex "$key"
