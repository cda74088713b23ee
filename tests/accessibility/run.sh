#!/usr/bin/env bash
# Drives the real program as a screen reader would: on a virtual X screen, with the desktop's
# accessibility bus, through AT-SPI (Debian's Python bindings), against the simulated device.
# Usage: run.sh PROGRAM DEVSIM WORKED-EXAMPLE.INI WORKED-EXAMPLE.HEX
set -euo pipefail
program=$1 devsim=$2 example=$3 expected=$4
here=$(cd "$(dirname "$0")" && pwd)

# ./scripts/test installs what this needs; elsewhere, say what is missing and skip.
for tool in Xvfb xdotool dbus-run-session /usr/libexec/at-spi-bus-launcher; do
    command -v "$tool" >/dev/null || { echo "absent : $tool"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "absent : python3-pyatspi"; exit 77; }

work=$(mktemp -d)
cleanup() {
    kill "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
pids=()
trap cleanup EXIT

# The program keeps param.ini beside itself: a copy of it in a folder of its own.
cp "$program" "$work/tensiova"
cp "$example" "$work/param.ini"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$work/run"

"$devsim" --link "$work/COM1" >"$work/device.log" 2>&1 &
pids+=($!)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && [ -e "$work/COM1" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

dbus-run-session -- bash -c '
    set -euo pipefail
    work=$1 here=$2 expected=$3
    /usr/libexec/at-spi-bus-launcher --launch-immediately &
    launcher=$!
    # Qt speaks to the bus without waiting for a screen reader to ask it to.
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb LC_ALL=fr_FR.UTF-8 \
        "$work/tensiova" >"$work/program.log" 2>&1 &
    program=$!
    # The splash waits for a click; the main window follows.
    splash=$(timeout 30 xdotool search --sync --onlyvisible --name "BREVANNE  - Tensiova" | head -1)
    xdotool mousemove --window "$splash" 20 20 click 1
    status=0
    /usr/bin/python3 "$here/test_accessibility.py" "$work/device.log" "$expected" || status=$?
    kill $program $launcher 2>/dev/null || true
    if [ $status -ne 0 ]; then
        echo "--- program:"; cat "$work/program.log"; echo "--- device:"; cat "$work/device.log"
    fi
    exit $status
' bash "$work" "$here" "$expected"
