#!/usr/bin/env bash
# Starts the program on the example wall, on a virtual display of the given size under a real window
# manager (openbox), and closes windows as a user does: the selector starts wholly on the screen;
# while the Catalog Manager is shown modally the wall opens no menu on a right-click and the main
# window stays when the window manager asks it to close; the picture editor holding a crop and the
# Catalog Manager beside the main window keep their work, the main window and the program when their
# question is answered Cancel. While the question of a close that the program started is up (File >
# Exit, the Catalog Manager's File > Close), the window manager's close request on that window is
# refused: Cancel keeps the window with its work, No closes it unsaved and Yes saved, and the program
# ends with its main window.
#     WindowClosing.sh <kestrame executable> <screen size, such as 1024x768>
set -euo pipefail
program=$1
screen=$2

. "$(dirname "$0")/WindowManagerSession.sh" wmctrl xwininfo /usr/bin/python3

# The example wall in a program folder of the test's own, so that nothing it does reaches the build.
folder=$work/program
mkdir -p "$folder"
cp -r "$(dirname "$program")/Catalogs" "$(dirname "$program")/Examples" "$folder"
export KESTRAME_PROGRAM_DIR=$folder/
picture=$folder/Catalogs/SK-101.jpg
catalog=$folder/Catalogs/Sample.ctf
originals=$(md5sum "$picture" "$catalog")

# Left, top, right and bottom of the window's frame on the screen, once the window manager has framed it.
frame_of()
{
    local extents x y w h
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | grep -o '[0-9]*, [0-9]*, [0-9]*, [0-9]*$' | tr -d ,) || return 1
    read -r x y w h < <(xwininfo -id "$1" |
        awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} /Width:/ {w = $NF}
             /Height:/ {h = $NF} END {print x, y, w, h}')
    set -- $extents
    echo "$((x - $1)) $((y - $3)) $((x + w + $2)) $((y + h + $4))"
}
# Runs the command until its output holds still for a second, and prints that output.
settled()
{
    local state last="" steady=0
    for _ in $(seq 200); do
        state=$("$@" 2>/dev/null || true)
        if [ -n "$state" ] && [ "$state" = "$last" ]; then steady=$((steady + 1)); else steady=0; fi
        [ $steady -ge 10 ] && { echo "$state"; return 0; }
        last=$state
        sleep 0.1
    done
    fail "never settles: $*"
}
shown() { xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
alive() { kill -0 "$program_pid" 2>/dev/null; }
# A message box captioned $1, the main window's own caption among them, and the keys that answer it.
box_named()
{
    local id
    for id in $(xdotool search --onlyvisible --name "^$1\$"); do
        id=$(printf '0x%x' "$id")
        [ "$id" != "$main" ] && { echo "$id"; return 0; }
    done
    return 1
}
answer()
{
    wait_until box_named "$1"
    local box=$(box_named "$1")
    xdotool windowactivate --sync "$box" key "$2"
    wait_until not shown "$box"
}
not() { ! "$@"; }
# A menu that the window $1 pops up: a window that the window manager leaves alone, that belongs to
# that window (not to a dialog that has just closed, whose lists may linger) and that is no tooltip.
menu_shown()
{
    local id
    for id in $(xdotool search --onlyvisible --class kestrame); do
        xwininfo -id "$id" | grep -q "Override Redirect State: yes" &&
            xprop -id "$id" WM_TRANSIENT_FOR | grep -q "# $1\$" &&
            ! xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q TOOLTIP && return 0
    done
    return 1
}
# The main window, the program and the files as they were: nothing closed, nothing saved.
everything_kept()
{
    alive || fail "the program ended $1"
    shown "$main" || fail "the main window closed $1"
    [ "$(md5sum "$picture" "$catalog")" = "$originals" ] || fail "a file changed $1"
}
# The number a catalog or planogram file gives for the key (its records, its items), and whether it
# is the number given.
count_in() { grep -a -o "$2=[0-9]*" "$1" | cut -d= -f2; }
count_is() { [ "$(count_in "$1" "$2")" = "$3" ]; }
desktops() { wmctrl -d | wc -l; }
desktops_are() { [ "$(desktops)" = "$1" ]; }
# Asks the window manager to close the window, and returns once it has sent the program that
# request: it takes requests in turn, so once it has done a later one (a number of desktops) the close
# request is ahead of any input that follows.
wm_close()
{
    local count=$(($(desktops) == 4 ? 3 : 4))
    wmctrl -i -c "$1"
    wmctrl -n $count
    wait_until desktops_are $count
}
# The command of the window that asks the question captioned $2 ($1 $2 $3 $4: window, caption, menu
# and item keys), a close request on the window while it is up, and the answer's key $5.
close_asking()
{
    menu_command "$1" "$3" "$4"
    wait_until box_named "$2"
    wm_close "$1"
    answer "$2" "$5"
}
# Opens a menu of the window by Alt and its key, and once it shows, chooses the item by its key. The
# keys go to the focused window, once the window manager has given the window the focus.
menu_command()
{
    xdotool windowactivate --sync "$1"
    wait_until active_is "$1"
    until_menu "$1" xdotool key "alt+$2"
    xdotool key "$3"
    wait_until not menu_shown "$1"
}
# Repeats the action until the window $1 shows a menu, polling for five seconds after each: a window
# that a modal one blocked takes input again only once the program has seen that window close.
until_menu()
{
    local window=$1
    shift
    for _ in 1 2 3 4; do
        "$@"
        for _ in $(seq 50); do menu_shown "$window" && return 0; sleep 0.1; done
    done
    fail "no menu shows after: $*"
}
# Types the path into the file dialog's name and accepts it; a first Return may only take the
# completion the dialog offers.
choose_file()
{
    xdotool windowactivate --sync "$1" type "$2"
    for _ in 1 2 3; do
        xdotool key Return
        for _ in $(seq 20); do shown "$1" || return 0; sleep 0.1; done
    done
    fail "the file dialog does not take $2"
}
pixel_at()
{
    /usr/bin/python3 -c 'import sys; from PIL import ImageGrab
print(*ImageGrab.grab(xdisplay=sys.argv[1]).getpixel((int(sys.argv[2]), int(sys.argv[3]))))' "$DISPLAY" "$1" "$2"
}
# Draws a crop around the point of the picture in the editor and crops to it, as a user does, until
# the picture shown there changes.
crop_picture()
{
    local before=$(pixel_at "$1" "$2")
    for _ in 1 2 3 4; do
        menu_command "$editor" p Return
        xdotool mousemove $(($1 - 20)) $(($2 - 30)) mousedown 1
        xdotool mousemove "$1" "$2"
        xdotool mousemove $(($1 + 20)) $(($2 + 30)) mouseup 1
        xdotool mousemove "$1" "$2" click 1
        for _ in $(seq 50); do [ "$(pixel_at "$1" "$2")" != "$before" ] && return 0; sleep 0.1; done
    done
    fail "the picture editor crops nothing"
}
# The screen position of the middle of the product SK-101, found by the wall's first shelf: the
# topmost bar of the shelves' grey, 400 pixels wide and 8 high at least, the product standing on its
# left end.
product_position()
{
    /usr/bin/python3 - "$DISPLAY" <<'EOF'
import sys
from PIL import ImageGrab
shot = ImageGrab.grab(xdisplay=sys.argv[1]).convert("RGB")
data, stride, bar = shot.tobytes(), 3 * shot.width, bytes([128]) * 3 * 400
for y in range(shot.height - 8):
    at = data.find(bar, y * stride, (y + 1) * stride)
    while at >= 0 and (at - y * stride) % 3:
        at = data.find(bar, at + 1, (y + 1) * stride)
    if at >= 0 and all(data[at + below * stride:at + below * stride + len(bar)] == bar for below in range(8)):
        print((at - y * stride) // 3 + 43, y - 58)
        sys.exit(0)
sys.exit(1)
EOF
}

# The sanitizer build judges the program's end too; the system's D-Bus library, which Qt's desktop
# integration uses, leaves a block of its own behind.
printf 'leak:libdbus-1.so\n' >"$work/leaks"
export LSAN_OPTIONS=suppressions=$work/leaks

start_display "$screen"
start_program "$folder/Examples/Sample Wall.kqf"

read -r left top right bottom < <(settled frame_of "$selector")
[ "$left" -ge 0 ] && [ "$top" -ge 0 ] && [ "$right" -le "${screen%x*}" ] && [ "$bottom" -le "${screen#*x}" ] ||
    fail "the selector's frame $left,$top-$right,$bottom starts off the $screen screen"

read -r x y < <(settled product_position)

# Catalog > Edit blocks the main window: a right-click on the wall opens no menu, and the window
# manager's close request leaves the main window as it is.
menu_command "$main" c e
wait_until window_named "Catalog Manager"
manager=$(window_named "Catalog Manager")
xdotool mousemove "$x" "$y" click 3
wmctrl -i -c "$main"
# Closed unchanged, unasked: once it has gone, the program has had the click and the request.
wmctrl -i -c "$manager"
wait_until not shown "$manager"
not menu_shown "$main" || fail "a right-click on the blocked wall opens a menu"
everything_kept "on its close request while the Catalog Manager was shown modally"
# The same click on the wall no longer blocked opens the product's menu.
until_menu "$main" xdotool mousemove "$x" "$y" click 3
xdotool key Escape
wait_until not menu_shown "$main"

# The picture editor on SK-101 with a crop: the main window stays on its close request, and Cancel on
# the editor's own question keeps the editor and its crop.
xdotool mousemove "$x" "$y" click 1
menu_command "$main" c p
wait_until window_named "Picture Editor"
editor=$(window_named "Picture Editor")
read -r eleft etop eright ebottom < <(settled frame_of "$editor")
crop_picture $((eleft + 60)) $((ebottom - 170))
wmctrl -i -c "$main"
wmctrl -i -c "$editor"
answer Kestrame Escape
shown "$editor" || fail "Cancel closes the picture editor"
everything_kept "on its close request while the picture editor held a crop"
wmctrl -i -c "$editor"
answer Kestrame alt+n
wait_until not shown "$editor"
everything_kept "as the picture editor closed"

# The Catalog Manager beside the main window, its data link's save dialog cancelled, the example
# catalog opened and a row inserted: File > Exit (a close request on the main window while it asks)
# and the main window's close button, each answered Cancel, keep everything.
menu_command "$main" c d
wait_until window_named "Save direct data link"
xdotool windowactivate --sync "$(window_named "Save direct data link")" key Escape
wait_until window_named "Catalog Manager"
manager=$(window_named "Catalog Manager")
xdotool windowactivate --sync "$manager" key ctrl+o
wait_until window_named Open
choose_file "$(window_named Open)" "$catalog"
menu_command "$manager" g Return
close_asking "$main" "Kestrame Catalog Manager" f x Escape
shown "$manager" || fail "Cancel on File > Exit closes the Catalog Manager"
everything_kept "on File > Exit answered Cancel beside the Catalog Manager"
wmctrl -i -c "$main"
answer "Kestrame Catalog Manager" Escape
shown "$manager" || fail "Cancel on the main window's close request closes the Catalog Manager"
everything_kept "on its close request answered Cancel beside the Catalog Manager"

# The Catalog Manager's File > Close and a close request on it, answered Cancel, keep it and its
# row, which its Save then writes; with another row, No closes it unsaved.
records=$(count_in "$catalog" catheader.recordsize)
close_asking "$manager" "Kestrame Catalog Manager" f c Escape
shown "$manager" || fail "Cancel on File > Close and a close request closes the Catalog Manager"
everything_kept "on the Catalog Manager's File > Close and a close request answered Cancel"
xdotool windowactivate --sync "$manager" key ctrl+s
wait_until count_is "$catalog" catheader.recordsize $((records + 1))
originals=$(md5sum "$picture" "$catalog")
menu_command "$manager" g Return
close_asking "$manager" "Kestrame Catalog Manager" f c alt+n
wait_until not shown "$manager"
everything_kept "on the Catalog Manager's File > Close and a close request answered No"
# From Catalog > Edit, with a row inserted, Yes saves it.
menu_command "$main" c e
wait_until window_named "Catalog Manager"
manager=$(window_named "Catalog Manager")
menu_command "$manager" g Return
close_asking "$manager" "Kestrame Catalog Manager" f c alt+y
wait_until not shown "$manager"
count_is "$catalog" catheader.recordsize $((records + 2)) || fail "Yes does not save the catalog"
originals=$(md5sum "$picture" "$catalog")

# With SK-101 copied and pasted, File > Exit and a close request on the main window, answered
# Cancel, keep the main window and the wall, which File > Save then writes.
wall=$folder/Examples/Sample\ Wall.kqf
items=$(count_in "$wall" Header.listsize)
xdotool mousemove "$x" "$y" click 1
menu_command "$main" e c
menu_command "$main" e p
close_asking "$main" Kestrame f x Escape
everything_kept "on File > Exit and a close request answered Cancel"
menu_command "$main" f s
wait_until count_is "$wall" Header.listsize $((items + 1))
# Pasted again, No ends the program with its main window, and well, the wall as it was saved.
menu_command "$main" e p
close_asking "$main" Kestrame f x alt+n
wait_until not alive
wait "$program_pid" || fail "the program ends with status $?"
count_is "$wall" Header.listsize $((items + 1)) || fail "No saves the wall"
# Started again, a product deleted: Yes saves the wall and ends the program.
start_program "$wall"
xdotool mousemove "$x" "$y" click 1
menu_command "$main" e d
close_asking "$main" Kestrame f x alt+y
wait_until not alive
wait "$program_pid" || fail "the program ends with status $?"
count_is "$wall" Header.listsize "$items" || fail "Yes does not save the wall"
[ "$(md5sum "$picture" "$catalog")" = "$originals" ] || fail "a file changed as the program ended"
echo "Passed"
