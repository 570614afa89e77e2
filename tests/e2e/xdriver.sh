# What the end-to-end scripts share to drive a real program in a real X server through xdotool.
# Sourced, not run. The script sets `program` (its name, for messages), `pid` (the program's
# process, once started) and `wait_seconds` (how long a window may take to come up).

if [ -z "${DISPLAY:-}" ]; then
    echo "no X display: run this under xvfb-run" >&2
    exit 2
fi

# The real X11 platform, and Qt's own file chooser whatever desktop the caller sits at.
unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CURRENT_DESKTOP DESKTOP_SESSION

step() { echo "-- $*"; }

# The program is our child: once it has ended it stays a zombie until it is waited for, so look
# at its state rather than whether its id exists.
alive() {
    local state
    state=$(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) || return 1
    [ "$state" != Z ]
}

list_windows() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        echo "  $w '$(xdotool getwindowname "$w" 2>/dev/null)'"
    done
}

fail() {
    echo "FAIL: $*" >&2
    echo "windows of the program:" >&2
    list_windows >&2 || true
    exit 1
}

# Prints the id of the program's visible window whose whole title matches this extended regular
# expression, waiting up to the given number of seconds (default wait_seconds) for it to come up.
# Short --sync searches in a loop, so that an X error from a window that vanished during one
# search costs a retry, not the test.
find_window() {
    local deadline=$((SECONDS + ${2:-$wait_seconds})) found
    while [ $SECONDS -lt $deadline ]; do
        alive || fail "$program is gone while waiting for '$1'"
        if found=$(timeout 5 xdotool search --sync --onlyvisible --all --pid "$pid" \
            --name "^$1\$" 2>/dev/null); then
            echo "${found%%$'\n'*}"
            return 0
        fi
    done
    fail "no window '$1' came up"
}

# Whether the program shows a window whose whole title matches, without waiting.
showing() {
    xdotool search --onlyvisible --all --pid "$pid" --name "^$1\$" >/dev/null 2>&1
}

# Waits up to the given number of seconds until the program shows no window with this title.
wait_gone() {
    local deadline=$((SECONDS + $2))
    while showing "$1"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}

# There is no window manager, so the keyboard goes where the input focus is set.
focus() {
    timeout 10 xdotool windowfocus --sync "$1" || fail "could not focus window $1"
}

# Types a path into the file chooser with this title and presses Enter. The name field's
# completer may swallow the first Enter, or a key typed while the chooser was still coming up may
# be lost, so the whole entry is made again while the chooser stays open.
choose_file() {
    local chooser attempt
    chooser=$(find_window "$1")
    for attempt in 1 2 3; do
        focus "$chooser"
        xdotool key --clearmodifiers ctrl+a
        xdotool type --clearmodifiers --delay 20 "$2"
        sleep 0.3
        xdotool key --clearmodifiers Return
        if wait_gone "$1" 10; then
            return 0
        fi
        echo "   the chooser is still open, entering the path again ($attempt)"
    done
    fail "the file chooser did not take $2"
}
