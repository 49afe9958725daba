#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with a window manager (openbox), the way a
# person's desktop has them. Exits 77 (ctest: skipped) when either program is missing.
set -uo pipefail
for tool in Xvfb openbox xprop xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
dir=$(mktemp -d /tmp/datemark-desktop.XXXXXX)
mkdir -m 700 "$dir/run"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$dir"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 </dev/null &
pids+=($!)
for _ in $(seq 200); do
    display=$(tr -dc 0-9 <"$dir/display")
    [ -n "$display" ] && break
    sleep 0.05
done
[ -n "${display:-}" ] || { echo "Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }
export DISPLAY=":$display"

openbox --sm-disable >"$dir/openbox.log" 2>&1 </dev/null &
pids=("$!" "${pids[@]}")
for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
    { echo "openbox did not start"; cat "$dir/openbox.log"; exit 1; }

# Qt's own X11 backend and its own dialogs, as on a plain desktop.
unset QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP DESKTOP_SESSION WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$dir/run" XDG_STATE_HOME="$dir/state"
"$@"
