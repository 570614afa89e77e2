#!/usr/bin/env bash
# Builds KGW make and opens its window. Arguments are handed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh g++ make cmake qtbase5-dev
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF >/dev/null
cmake --build build --parallel "$(nproc)" --target kgwmake

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'MSG'
KGW make is built (build/src/kgwmake), but there is no display to open its window on.
To run it in a virtual X server instead:
    sudo apt-get install xvfb xauth
    xvfb-run -a build/src/kgwmake
MSG
    exit 1
fi
exec build/src/kgwmake "$@"
