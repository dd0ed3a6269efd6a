#!/bin/bash
# A screenshot of the compositor's output at one point of a walk, kept as
# $SETUP_SHOT_DIR/<point>.png (see tests/e2e/desktopcheck.h).
#
#   weston_shot.sh PID POINT [expected...]
set -eu
point=$2
work=$(mktemp -d "$SETUP_SHOT_DIR/.shot.XXXXXX")
cd "$work"
weston-screenshooter
shot=$(ls -t ./*.png | head -1)
# An output with windows on it compresses far worse than an empty one.
size=$(stat -c %s "$shot")
if [ "$size" -lt 20000 ]; then
    echo "$point: the screenshot looks empty ($size bytes)"
    exit 1
fi
mv "$shot" "$SETUP_SHOT_DIR/$point.png"
cd / && rm -rf "$work"
echo "$point: $SETUP_SHOT_DIR/$point.png"
