#!/usr/bin/env bash
# Builds KGW make and opens its window; with --design first, builds and opens KGW design instead.
# Other arguments are handed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --design ]; then
    shift
    name="KGW design"
    target=kgwdesign
    program=build/designwindow/kgwdesign
    # The design window needs the model (Eigen) and draws SVG pictures where Qt SVG is there.
    scripts/install-deps.sh g++ make cmake qtbase5-dev libeigen3-dev libqt5svg5-dev
else
    name="KGW make"
    target=kgwmake
    program=build/src/kgwmake
    scripts/install-deps.sh g++ make cmake qtbase5-dev
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build --parallel "$(nproc)" --target "$target"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<MSG
$name is built ($program), but there is no display to open its window on.
To run it in a virtual X server instead:
    sudo apt-get install xvfb xauth
    xvfb-run -a $program
MSG
    exit 1
fi
exec "$program" "$@"
