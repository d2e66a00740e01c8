#!/usr/bin/env bash
# Starts the program on a virtual display under a real window manager (openbox) and reads how it
# stacks the windows: the selector above the main window from the start, also after a click on the
# main window, and below another program's window; the picture editor and the Catalog Manager, shown
# modally, transient for the main window, with a maximise button, and still above it after a click.
#     WindowStacking.sh <kestrame executable>
set -euo pipefail
program=$1

for tool in Xvfb openbox xdotool xprop xmessage; do
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
fail() { echo "FAILED: $*" >&2; exit 1; }
window_named() { local id=$(xdotool search --onlyvisible --name "^$1\$" | head -1); [ -n "$id" ] && printf '0x%x\n' "$id"; }
active_is() { xprop -root _NET_ACTIVE_WINDOW | grep -q "# $1\$"; }
stacking() { xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'; }
# Whether window $1 is stacked above window $2 (the list runs from the bottom up).
above() { stacking | tr ' ' '\n' | grep -n -x -e "$1" -e "$2" | tail -1 | grep -q ":$1\$"; }
# Clicks the main window and waits until the stacking and the active window hold still for a second,
# whatever the program and the window manager do about the click.
click_main()
{
    xdotool mousemove 60 900 click 1
    local state last="" steady=0
    for _ in $(seq 200); do
        state="$(stacking) $(xprop -root _NET_ACTIVE_WINDOW)"
        if [ "$state" = "$last" ]; then steady=$((steady + 1)); else steady=0; fi
        [ $steady -ge 10 ] && return 0
        last=$state
        sleep 0.1
    done
    fail "the windows never settle after a click on the main window"
}

# A display and a window manager of the test's own, with no settings of the user's.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 2>"$work/xvfb.log" &
pids+=($!)
wait_until test -s "$work/display"
export DISPLAY=:$(cat "$work/display") HOME=$work XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb
wait_until xprop -root
# An X server that another one on the machine leaves just then may refuse the first connections: the
# window manager is started again until it manages the display.
manages() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
for _ in 1 2 3; do
    openbox >>"$work/openbox.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do manages && break 2; kill -0 $! 2>/dev/null || break; sleep 0.1; done
done
manages || fail "openbox does not manage the display: $(cat "$work/openbox.log")"

# The program without its start-up wizard and without a planogram, and deaf to other programs started
# on the machine, which would otherwise hand it their planograms.
mkdir -p "$work/settings"
printf '[Options]\r\nWelcome=0\r\n' >"$work/settings/Kestrame.ini"
KESTRAME_CONFIG_DIR=$work/settings KESTRAME_OPEN_FILE_SOCKET=$work/socket "$program" >"$work/program.log" 2>&1 &
pids+=($!)
wait_until window_named Kestrame
wait_until window_named Selector
main=$(window_named Kestrame)
selector=$(window_named Selector)
wait_until above "$selector" "$main"
click_main
above "$selector" "$main" || fail "a click on the main window sinks the selector"

xmessage -geometry 300x200+0+0 "another program" 2>"$work/xmessage.log" &
pids+=($!)
wait_until window_named xmessage
other=$(window_named xmessage)
wait_until active_is "$other"
above "$other" "$selector" || fail "the selector stays above another program's window"
click_main
above "$selector" "$other" || fail "a click on the main window does not bring the selector back"

for opening in "alt+c p:Picture Editor" "alt+c m:Catalog Manager"; do
    name=${opening#*:}
    # The keys go to the focused window: after a closed window the main one, once the window manager
    # has given it the focus back.
    wait_until active_is "$main"
    xdotool key ${opening%%:*}
    wait_until window_named "$name"
    window=$(window_named "$name")
    xprop -id "$window" WM_TRANSIENT_FOR | grep -q "# $main\$" || fail "$name is not transient for the main window"
    xprop -id "$window" _NET_WM_ALLOWED_ACTIONS | grep -q _NET_WM_ACTION_MAXIMIZE_HORZ ||
        fail "$name cannot be maximised"
    click_main
    above "$window" "$main" || fail "a click on the main window sinks $name"
    xdotool windowactivate --sync "$window" key alt+F4
    wait_until test -z "$(xdotool search --onlyvisible --name "^$name\$")"
done
echo "Passed"
