#!/usr/bin/env bash
# Drives the real kgwmake in a real X server, as a user would: the window, the file chooser and
# the message boxes, with the keyboard and the mouse through xdotool.
#
#   kgwmake_e2e.sh <kgwmake> <data dir>
#
# Needs an X display without a window manager (run it under xvfb-run). The data dir holds the
# lists line1.txt and badline.txt and, in expected/, the sequence file line1.txt must give.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <kgwmake> <data dir>" >&2
    exit 2
fi
kgwmake=$1
data=$2
# shellcheck source=xdriver.sh
source "$(dirname "$0")/xdriver.sh"

# Generous: CI may run this on two cores next to a build.
readonly wait_seconds=60

work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

program=kgwmake

# Presses "Load TXT" in the main window: the button fills the lower half of it.
press_load() {
    local main
    main=$(find_window 'KGW make')
    focus "$main"
    xdotool mousemove --window "$main" 100 100 click 1
}

# Confirms the message box with this title with Enter on its Ok button.
confirm_box() {
    local box attempt
    box=$(find_window "$1")
    for attempt in 1 2 3; do
        focus "$box"
        xdotool key --clearmodifiers Return
        if wait_gone "$1" 10; then
            return 0
        fi
    done
    fail "the box '$1' did not close"
}

cp "$data"/line1.txt "$data"/badline.txt "$work"/

"$kgwmake" &
pid=$!

step "the window is 'KGW make', 200 x 150"
main=$(find_window 'KGW make')
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" = 200 ] && [ "$HEIGHT" = 150 ] || fail "the window is $WIDTH x $HEIGHT"

step "a good list gives its sequence file"
press_load
choose_file Open "$work/line1.txt"
confirm_box 'Information'
[ -f "$work/line1.txt.KGW" ] || fail "no line1.txt.KGW after 'KGW file created'"
cmp "$data/expected/line1.txt.KGW" "$work/line1.txt.KGW" \
    || fail "line1.txt.KGW differs from the expected file"

step "a list with a bad line gives a warning and no file"
press_load
choose_file Open "$work/badline.txt"
confirm_box 'Warning'
[ ! -e "$work/badline.txt.KGW" ] || fail "badline.txt.KGW was written"
cmp "$data/expected/line1.txt.KGW" "$work/line1.txt.KGW" || fail "line1.txt.KGW changed"
leftovers=$(cd "$work" && ls -A | grep -v -x -e line1.txt -e badline.txt -e line1.txt.KGW || true)
[ -z "$leftovers" ] || fail "unexpected files: $leftovers"

step "closing the window ends the program with 0"
main=$(find_window 'KGW make')
focus "$main"
xdotool key --clearmodifiers Escape
deadline=$((SECONDS + wait_seconds))
while alive; do
    [ $SECONDS -lt $deadline ] || fail "kgwmake is still running after Escape"
    sleep 0.2
done
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || fail "kgwmake ended with $status"

echo "PASS"
