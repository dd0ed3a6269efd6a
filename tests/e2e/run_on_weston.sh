#!/bin/bash
# Runs a command as a client of a headless Weston compositor, on Qt's Wayland
# platform with no X11 display, and checks that the compositor's screenshots
# of the points of the walk were taken (tests/e2e/weston_shot.sh).
#
#   run_on_weston.sh [--scale N] [--shots DIR] command [args...]
#
# --scale 2 makes an output with two device pixels per pixel.
#
# Exits 77 (skipped) only when Weston cannot start here, with its error.
set -u
scale=1
shots=""
while [ $# -gt 0 ]; do
    case "$1" in
    --scale) scale=$2; shift 2 ;;
    --shots) shots=$2; shift 2 ;;
    *) break ;;
    esac
done
# A missing package is a fault of the machine, not a reason to skip.
for tool in weston weston-screenshooter; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (Debian package weston)" >&2; exit 1; }
done
here=$(cd "$(dirname "$0")" && pwd)
runtime=$(mktemp -d /tmp/setup-weston.XXXXXX)
chmod 700 "$runtime"
[ -n "$shots" ] || shots="$runtime/shots"
mkdir -p "$shots"
export XDG_RUNTIME_DIR=$runtime
socket=setup-wayland-$$

# No animations: a closed window's last picture would stay on the headless
# output until its fade ends. --debug lets weston-screenshooter capture it.
cat >"$runtime/weston.ini" <<'INI'
[shell]
close-animation=none
startup-animation=none
focus-animation=none
INI
weston --config="$runtime/weston.ini" --backend=headless-backend.so --socket="$socket" \
    --idle-time=0 --debug --use-pixman --width=1024 --height=768 --scale="$scale" \
    >"$runtime/weston.log" 2>&1 &
weston_pid=$!
trap 'kill "$weston_pid" 2>/dev/null; wait "$weston_pid" 2>/dev/null; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
    [ -S "$runtime/$socket" ] && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$runtime/$socket" ]; then
    echo "SKIPPED: the headless Weston compositor did not start:" >&2
    cat "$runtime/weston.log" >&2
    exit 77
fi

unset DISPLAY
# The headless output has no seat with a keyboard; Qt 6.4's Wayland text input
# would then crash on the first click into an edit (QWaylandInputDevice::
# textInput on no device). A desktop always has one, so the test goes without.
export QT_IM_MODULE=none
# Widgets draw into shared memory. Asked whether OpenGL is there, Qt's Wayland
# client would still set up EGL, its default client buffer integration: Mesa's
# driver (swrast_dri.so, on every desktop) is loaded, unloaded at exit, and
# what it leaves is reported to the leak check from a module no longer mapped,
# which no suppression can name. Without an integration nothing of Mesa is
# loaded; the walk and its screenshots are the same.
export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none
export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland SETUP_DESKTOP_PLATFORM=wayland
export SETUP_DESKTOP_SCALE=$scale
export SETUP_DESKTOP_CHECK="$here/weston_shot.sh" SETUP_SHOT_DIR="$shots"
"$@"
status=$?
if [ $status -eq 0 ] && [ -z "$(ls "$shots")" ]; then
    echo "no screenshot was taken" >&2
    status=1
fi
exit $status
