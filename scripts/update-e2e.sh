#!/usr/bin/env bash
# The online update from start to finish, with the real program under a virtual display:
#
#   scripts/update-e2e.sh <work-folder> [<port>]
#
# 1. makes a key pair in <work-folder> and builds the program in <work-folder>/build with the
#    public key and the update server 127.0.0.1:<port> (default 18765) built in;
# 2. puts the program into a scratch program folder below <work-folder> whose name holds an
#    umlaut, blanks, $(…), a backtick and quotes (a copy of the built program and an old
#    Pultex.hlp) and sets "OnlyUpdate" in a registry of its own;
# 3. serves <work-folder>/server on 127.0.0.1:<port>: "Updates.ini" naming tomorrow's update,
#    and /Updates/zensoria-update.zip with its signature, an archive that carries a new
#    Pultex.hlp and the install template "Update.bat";
# 4. starts the program under Xvfb and clicks through the wizard: welcome, check, result,
#    download, install, finish ("Beenden"); screenshots of each page go to <work-folder>/shots;
# 5. checks that the program ended, that the script replaced Pultex.hlp, removed the update's
#    private working folder and restarted the program (whose wizard is shown again, then
#    closed), and that no command hidden in the folder's name ran.
#
# Nothing leaves 127.0.0.1; the registry, the runtime folder (where the update makes its
# working folder) and the settings stay inside <work-folder>. What it needs (xvfb-run, xdotool,
# imagemagick, zip, openssl, python3) is installed through scripts/deps.sh e2e.
set -euo pipefail

"$(dirname "$0")/deps.sh" e2e
work=$(realpath -m "${1:?Aufruf: $0 <Arbeitsordner> [<Port>]}")
port=${2:-18765}
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$work/build}
program_dir="$work/Programm mit Ä \$(touch INJEKTION) \`touch INJEKTION2\` 'q' \"d\""
server="$work/server"
shots="$work/shots"
mkdir -p "$work" "$program_dir" "$server/Updates" "$shots" "$work/config" "$work/pack"
mkdir -p -m 700 "$work/run"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY no_proxy NO_PROXY

# 1. Key and build.
[ -e "$work/key.pem" ] || "$repo/scripts/sign-update.sh" --new-key "$work/key.pem" >/dev/null
public_key=$(openssl pkey -in "$work/key.pem" -pubout -outform DER | tail -c 32 | od -An -v -tx1 | tr -d ' \n')
if [ -z "${SKIP_BUILD:-}" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Debug}" \
        -DZENSORIA_UPDATE_PUBLIC_KEY="$public_key" -DZENSORIA_UPDATE_HOST="127.0.0.1:$port" \
        -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
    cmake --build "$build" --target zensoria -j2 >/dev/null
fi

# 2. Program folder and registry.
cp "$build/zensoria" "$program_dir/zensoria"
echo "Hilfe, alte Fassung" >"$program_dir/Pultex.hlp"
registry="$work/config/zensoria-registry"
mkdir -p "$registry"
cat >"$registry/HKEY_LOCAL_MACHINE.json" <<'JSON'
{"name": "", "values": [], "keys": [{"name": "Software", "values": [], "keys": [
 {"name": "Vela", "values": [], "keys": [{"name": "Zensoria", "keys": [],
  "values": [{"name": "OnlyUpdate", "type": "string", "data": ""}]}]}]}]}
JSON

# 3. The update server's files.
today=$(date +%d.%m.%Y)
tomorrow=$(date -d tomorrow +%d.%m.%Y)
cat >"$server/Updates.ini" <<INI
[Andere]
Date=01.01.2030
[Zensoria]
Date=$tomorrow
File=zensoria-update.zip
News="$today: Die Hilfe ist neu geschrieben","01.01.2003: Längst erledigt"
INI
echo "Hilfe, Fassung 2" >"$work/pack/Pultex.hlp"
# One group (header, two commands on the program folder, the copy from the temporary folder),
# then a tail that cleans up the temporary folder.
printf '%s\n' '# Pultex.hlp' 'rm -f "%sPultex.hlp"' 'test ! -e "%sPultex.hlp"' \
    'cp "%sPultex.hlp" "%sPultex.hlp"' ' rm -f "%sPultex.hlp"' >"$work/pack/Update.bat"
rm -f "$server/Updates/zensoria-update.zip"
(cd "$work/pack" && zip -q "$server/Updates/zensoria-update.zip" Update.bat Pultex.hlp)
"$repo/scripts/sign-update.sh" "$work/key.pem" "$server/Updates/zensoria-update.zip" "$tomorrow" >/dev/null

python3 -m http.server "$port" --bind 127.0.0.1 --directory "$server" >"$work/server.log" 2>&1 &
server_pid=$!
trap 'kill $server_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    curl -sf "http://127.0.0.1:$port/Updates.ini" >/dev/null 2>&1 && break
    sleep 0.2
done

# 4. and 5. Under Xvfb.
export E2E_PROGRAM="$program_dir/zensoria" E2E_SHOTS="$shots" E2E_WORK="$work"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
# A sanitizer build reports leaks at exit; that is not the outcome looked at here.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
cd "$work"
set +e
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$repo/scripts/update-e2e-drive.sh"
status=$?
set -e
for injected in "$work/INJEKTION" "$work/INJEKTION2" "$HOME/INJEKTION" "$HOME/INJEKTION2"; do
    [ -e "$injected" ] && { echo "FEHLER: ein Befehl aus dem Ordnernamen lief ($injected)" >&2; status=1; }
done

echo "Server-Anfragen:"
grep -o '"GET [^"]*" [0-9]*' "$work/server.log" || true
exit $status
