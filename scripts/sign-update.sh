#!/usr/bin/env bash
# Signs an update archive for the update server.
#
#   scripts/sign-update.sh --new-key <secret-key-file>
#       makes a new Ed25519 key pair: the secret key goes to <secret-key-file> (keep it outside
#       the repository, readable only by you) and the public key is printed as 64 hex digits,
#       the value of the CMake cache variable ZENSORIA_UPDATE_PUBLIC_KEY.
#   scripts/sign-update.sh <secret-key-file> <archive> <date> [<program>]
#       writes <archive>.sig, the detached signature (64 bytes) that the server keeps beside the
#       archive, checks it, and prints the public key it belongs to. What is signed is the
#       release statement: the program (default Zensoria), the archive's file name, the release
#       date exactly as the line "Date=" of the program's section in Updates.ini gives it
#       (09.08.2003), and the archive's SHA-256. The program accepts the archive only under
#       that name and date, and only when the date is newer than its own version.
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

if [ $# -ne 3 ] && [ $# -ne 4 ]; then
    echo "Aufruf: $0 --new-key <Schlüsseldatei> | $0 <Schlüsseldatei> <Archiv> <Datum> [<Programm>]" >&2
    exit 2
fi

key=$1
archive=$2
date=$3
program=${4:-Zensoria}
case "$program$date$(basename -- "$archive")" in
*$'\n'* | *$'\r'*) echo "Zeilenumbrüche sind in Programm, Datum und Dateiname nicht erlaubt." >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sha=$(openssl dgst -sha256 -r "$archive" | cut -d' ' -f1)
printf 'zensoria-update\nprogram=%s\nfile=%s\ndate=%s\nsha256=%s\n' \
    "$program" "$(basename -- "$archive")" "$date" "$sha" >"$work/statement"
openssl pkeyutl -sign -inkey "$key" -rawin -in "$work/statement" -out "$archive.sig"
openssl pkey -in "$key" -pubout -out "$work/public.pem"
openssl pkeyutl -verify -pubin -inkey "$work/public.pem" -rawin -in "$work/statement" \
    -sigfile "$archive.sig" >/dev/null
public_key_hex "$key"
