#!/usr/bin/env bash
# Starts the built program on a virtual display and saves a picture of the screen.
#   screenshot.sh [out.png] [seconds to wait, default 3]
set -euo pipefail
cd "$(dirname "$0")/.."
[ -x build/release/src/datemark ] || { echo "build it first: scripts/build.sh release" >&2; exit 1; }
out=${1:-datemark.png}
wait=${2:-3}
export LANG=${LANG:-ja_JP.UTF-8}
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
    build/release/src/datemark & pid=\$!
    sleep $wait
    import -window root '$out'
    kill \$pid"
echo "saved $out"
