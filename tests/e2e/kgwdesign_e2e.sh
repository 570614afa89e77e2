#!/usr/bin/env bash
# Drives the real kgwdesign in a real X server, as a user would, by the keyboard through xdotool:
# a design of 300 measurements on a 1 m cable, saved as a sequence file, must give the very bytes
# that kgw writes for the same settings.
#
#   kgwdesign_e2e.sh <kgwdesign> <kgw>
#
# Needs an X display without a window manager (run it under xvfb-run).
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <kgwdesign> <kgw>" >&2
    exit 2
fi
kgwdesign=$1
kgw=$2
# shellcheck source=xdriver.sh
source "$(dirname "$0")/xdriver.sh"

# Generous: CI may run this on two cores next to a build, and a sanitizer build designs slower.
readonly wait_seconds=60
readonly design_seconds=240

work=$(mktemp -d)
pid=
ref_pid=
cleanup() {
    local p
    for p in "$pid" "$ref_pid"; do
        if [ -n "$p" ] && kill -0 "$p" 2>/dev/null; then
            kill "$p" 2>/dev/null || true
            wait "$p" 2>/dev/null || true
        fi
    done
    rm -rf "$work"
}
trap cleanup EXIT

# The window keeps its choices with QSettings, and the file chooser its places: a run must start
# from the defaults and leave the caller's own settings alone.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
    XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"

program=kgwdesign

# The title changes with the file and whether it is saved; only its end stays.
readonly main_title='.* - KGW design'

# Keys for the main window, with a pause after them: a mnemonic moves the focus, and what is
# typed next must land in the box it moved to.
keys() {
    focus "$(find_window "$main_title")"
    xdotool key --clearmodifiers "$@"
    sleep 0.3
}
type_text() {
    xdotool type --clearmodifiers --delay 20 "$1"
    sleep 0.3
}

# Every visible window of the program but the main one: a dialog, or one of the title-less
# popups and tooltips, which Qt names after the program.
other_windows() {
    local main=$1 w
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        [ "$w" = "$main" ] || echo "$w"
    done
}

# The reference is made by the real kgw while the window designs: neither needs the other.
"$kgw" design --measurements 300 --spacing 1 -o "$work/ref.txt" 2>"$work/ref.log" &
ref_pid=$!

"$kgwdesign" &
pid=$!

step "the window comes up"
main=$(find_window "$main_title")
# The pointer is put beside the window, where it raises no tool tip.
eval "$(xdotool getdisplaygeometry --shell)"
xdotool mousemove $((WIDTH - 1)) $((HEIGHT - 1))

step "a design of 300 measurements on a 1 m cable"
keys alt+p
xdotool key --clearmodifiers ctrl+a
type_text 1
xdotool key --clearmodifiers Tab
# Fresh settings show the standard arrays, the first of the sequences; the design is next.
keys alt+s
keys Down
keys alt+m
xdotool key --clearmodifiers ctrl+a
type_text 300
xdotool key --clearmodifiers Tab
keys alt+d

step "saving asks for a name once the design is there"
# Saving stays disabled while there is no design, or while it runs, so the shortcut is tried until
# the chooser comes up. Ctrl+S, since Save As has no shortcut on a plain X11 desktop; for a
# design not saved yet it opens the same chooser.
deadline=$((SECONDS + design_seconds))
until showing 'Save sequence'; do
    alive || fail "kgwdesign is gone while designing"
    [ $SECONDS -lt $deadline ] || fail "no design to save after $design_seconds s"
    keys ctrl+s
    sleep 2
done

step "the design is saved as the instrument's sequence file"
choose_file 'Save sequence' "$work/design.KGW"
deadline=$((SECONDS + wait_seconds))
until [ -f "$work/design.KGW" ]; do
    [ $SECONDS -lt $deadline ] || fail "no design.KGW after saving"
    sleep 0.2
done
main=$(find_window 'design\.KGW - KGW design')

step "its bytes are those kgw writes for the same settings"
ref_status=0
wait "$ref_pid" || ref_status=$?
ref_pid=
[ "$ref_status" = 0 ] || { cat "$work/ref.log" >&2; fail "kgw design failed"; }
"$kgw" convert --spacing 1 "$work/ref.txt" 2>"$work/ref.log" \
    || { cat "$work/ref.log" >&2; fail "kgw convert failed"; }
cmp "$work/ref.txt.KGW" "$work/design.KGW" || fail "design.KGW differs from kgw's sequence file"

step "a bad spacing is shown at its box, not in a dialog"
keys alt+p
xdotool key --clearmodifiers ctrl+a
type_text abc
xdotool key --clearmodifiers Tab
sleep 2
alive || fail "kgwdesign is gone after a bad spacing"
others=$(other_windows "$main")
[ -z "$others" ] || fail "a window came up for a bad spacing: $others"

step "ctrl+q ends the program with 0, without asking: the design is saved"
keys ctrl+q
deadline=$((SECONDS + wait_seconds))
while alive; do
    ! showing 'KGW design' || fail "kgwdesign asks about unsaved changes after saving"
    [ $SECONDS -lt $deadline ] || fail "kgwdesign is still running after ctrl+q"
    sleep 0.2
done
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || fail "kgwdesign ended with $status"

echo "PASS"
