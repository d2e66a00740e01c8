#!/usr/bin/env bash
# Starts the program on a virtual display under a real window manager (openbox) and reads how it
# stacks the windows: the selector above the main window from the start, also after a click on the
# main window, and below another program's window; the picture editor and the Catalog Manager, shown
# modally, transient for the main window, with a maximise button, and still above it after a click.
#     WindowStacking.sh <kestrame executable>
set -euo pipefail
program=$1

. "$(dirname "$0")/WindowManagerSession.sh" xmessage

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

start_display 1280x1024
start_program
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
