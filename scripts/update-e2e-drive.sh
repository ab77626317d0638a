#!/usr/bin/env bash
# The part of scripts/update-e2e.sh that runs under Xvfb: drives the wizard with xdotool.
set -euo pipefail

fail() {
    echo "FEHLER: $*" >&2
    import -window root "$E2E_SHOTS/fehler.png" || true
    exit 1
}

shot() { sleep 0.5; import -window root "$E2E_SHOTS/$1.png"; }

# Waits up to a minute: on a busy machine the restarted program takes its time.
wizard_window() {
    local id
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name '^Updates installieren$' 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}

# Clicks at a point of the wizard's client area.
click() {
    local x=$1 y=$2
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    xdotool mousemove --sync $((X + x)) $((Y + y)) click 1
}
next() { click 597 332; }         # "Weiter >" / "Beenden"
check() { click 332 164; }        # "Jetzt auf neue Updates prüfen"

"$E2E_PROGRAM" >"$E2E_WORK/program.log" 2>&1 &
pid=$!
wid=$(wizard_window) || fail "kein Assistent nach dem Start"
shot 1-willkommen
next
sleep 1
shot 2-pruefen
check
sleep 3
shot 3-ergebnis
next
sleep 4
shot 4-download
next
sleep 1
shot 5-einrichten
next
sleep 2
shot 6-abschluss
next
for _ in $(seq 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -0 $pid 2>/dev/null && fail "das Programm läuft nach \"Beenden\" weiter"
wait $pid || fail "das Programm endete mit einem Fehler"
echo "Programm beendet."

# The script runs detached: the help file is replaced, the program restarted.
dir=$(dirname "$E2E_PROGRAM")
for _ in $(seq 50); do
    [ "$(cat "$dir/Pultex.hlp")" = "Hilfe, Fassung 2" ] && break
    sleep 0.2
done
[ "$(cat "$dir/Pultex.hlp")" = "Hilfe, Fassung 2" ] || fail "Pultex.hlp wurde nicht ersetzt"
echo "Pultex.hlp ersetzt."
wid=$(wizard_window) || fail "das Programm wurde nicht neu gestartet"
shot 7-neustart
# The program's path holds characters that a pattern would read as its own.
restarted=
for candidate in $(pgrep -x zensoria || true); do
    [ "$(readlink "/proc/$candidate/exe")" = "$E2E_PROGRAM" ] && restarted=$candidate
done
[ -n "$restarted" ] || fail "kein neu gestartetes Programm"
echo "Neu gestartet (Prozess $restarted)."
# The script removed the update's working folder with itself and the archive.
ls -d "$XDG_RUNTIME_DIR"/zensoria-update-*/ >/dev/null 2>&1 &&
    fail "der Arbeitsordner des Updates ist noch da: $(ls -d "$XDG_RUNTIME_DIR"/zensoria-update-*)"
xdotool key --window "$wid" Escape
for _ in $(seq 100); do kill -0 "$restarted" 2>/dev/null || break; sleep 0.2; done
kill -0 "$restarted" 2>/dev/null && fail "der neu gestartete Assistent endet nicht"
echo "Ende zu Ende: in Ordnung."
