#!/usr/bin/env bash
# The program as a screen reader sees it: starts it with a copy of a data file in a scratch
# folder of its own (program folder with Settings.ini, registry, temporary and runtime folders),
# under a virtual display and its own session bus, and runs atspi_check.py against it.
#   atspi-test.sh <program> <data file>
# With ATSPI_TREE_DUMP=<file> the subject page's tree is written there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "${1:?Aufruf: $0 <Programm> <Datendatei>}")
data=$(realpath "${2:?Aufruf: $0 <Programm> <Datendatei>}")

work=$(mktemp -d "${TMPDIR:-/tmp}/zensoria-atspi.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Programm" "$work/config/zensoria-registry" "$work/tmp" "$work/runtime"
chmod 700 "$work/runtime"
# The program folder is the folder of the program file, where Settings.ini lives.
cp "$program" "$work/Programm/zensoria"
cp "$data" "$work/Noten.plx"
printf '[Settings]\r\nStandardFile=%s\r\n' "$work/Noten.plx" >"$work/Programm/Settings.ini"
# No update reminder at the start.
cat >"$work/config/zensoria-registry/HKEY_LOCAL_MACHINE.json" <<'JSON'
{"name": "", "values": [], "keys": [{"name": "Software", "values": [], "keys": [
 {"name": "Vela", "values": [], "keys": [{"name": "Zensoria", "keys": [],
  "values": [{"name": "NoUpdate", "type": "string", "data": ""}]}]}]}]}
JSON

export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" TMPDIR="$work/tmp" \
    XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8
# A sanitizer build reports leaks at exit; that is not what is looked at here.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
# The system's python3, where Debian installs python3-pyatspi.
# A display number of its own, away from the :99 that every other run tries first.
xvfb-run -a -n $((200 + RANDOM % 600)) -s "-screen 0 1280x1024x24 -nolisten tcp" \
    dbus-run-session -- /usr/bin/python3 "$here/atspi_check.py" "$work/Programm/zensoria" "$work"
