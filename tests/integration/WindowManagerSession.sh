# Sourced by the tests that run the program on a virtual display under a real window manager
# (openbox): the display, the window manager and the program, each ended at the end, and the ways the
# tests read and wait for the program's windows. $program names the executable.
#     . WindowManagerSession.sh <further tools the test needs>...

for tool in Xvfb openbox xdotool xprop "$@"; do
    command -v $tool >/dev/null || { echo "Skipped: $tool is missing (scripts/setup.sh installs it)."; exit 77; }
done

work=$(mktemp -d)
pids=()
# The clients first, the display last, each ended before the next: a client whose display goes while
# it quits ends abnormally.
cleanup()
{
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Polls the command every tenth of a second for up to 20 seconds.
wait_until()
{
    for _ in $(seq 200); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "timed out waiting for: $*"
}
# With what the program said last, where it said anything.
fail()
{
    echo "FAILED: $*" >&2
    [ ! -s "$work/program.log" ] || tail -n 30 "$work/program.log" >&2
    exit 1
}
window_named() { local id=$(xdotool search --onlyvisible --name "^$1\$" | head -1); [ -n "$id" ] && printf '0x%x\n' "$id"; }
active_is() { xprop -root _NET_ACTIVE_WINDOW | grep -q "# $1\$"; }
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'; }
# Whether window $1 is stacked above window $2 (the list runs from the bottom up).
above() { stacking | tr ' ' '\n' | grep -n -x -e "$1" -e "$2" | tail -1 | grep -q ":$1\$"; }

# A display of the given size ("1280x1024") and a window manager of the test's own, with no settings
# of the user's.
start_display()
{
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 2>"$work/xvfb.log" &
    pids+=($!)
    wait_until test -s "$work/display"
    export DISPLAY=:$(cat "$work/display") HOME=$work XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb
    wait_until xprop -root
    # An X server that another one on the machine leaves just then may refuse the first connections:
    # the window manager is started again until it manages the display.
    manages() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
    for _ in 1 2 3; do
        openbox >>"$work/openbox.log" 2>&1 &
        pids+=($!)
        for _ in $(seq 100); do manages && break 2; kill -0 $! 2>/dev/null || break; sleep 0.1; done
    done
    manages || fail "openbox does not manage the display: $(cat "$work/openbox.log")"
}

# The program with the given arguments, without its start-up wizard, and deaf to other programs
# started on the machine, which would otherwise hand it their planograms; its process is $program_pid.
# Returns once its main window and the selector are shown, their ids in $main and $selector.
start_program()
{
    mkdir -p "$work/settings"
    printf '[Options]\r\nWelcome=0\r\n' >"$work/settings/Kestrame.ini"
    KESTRAME_CONFIG_DIR=$work/settings KESTRAME_OPEN_FILE_SOCKET=$work/socket "$program" "$@" \
        >"$work/program.log" 2>&1 &
    program_pid=$!
    pids+=($program_pid)
    wait_until window_named Kestrame
    wait_until window_named Selector
    main=$(window_named Kestrame)
    selector=$(window_named Selector)
}
