#!/usr/bin/env bash
# Every window of the Windows and Help menus opens and closes by its close button; a still
# program uses next to no processor time; Exit after tool windows were open ends the process
# with the whole shutdown (the layout file written); closing the main window ends it too.
# Usage: windows_close.sh PROGRAM
set -u
PROGRAM=$1
source "$(dirname "$0")/xsession.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The help pages are shipped beside the program.
[ -s "$(dirname "$PROGRAM")/help/about.html" ] || fail "no help pages beside $PROGRAM"
xs_start || exit 1
xs_launch "$PROGRAM" || fail "no main window"
xs_dismiss_welcome || fail "the welcome window stays"
sleep 2

# The idle program: ten seconds without input.
before=$(xs_cpu_ticks); sleep 10; after=$(xs_cpu_ticks)
echo "idle: $((after - before)) clock ticks (1/100 s) in 10 s"
[ $((after - before)) -le 50 ] || fail "the idle program used $((after - before)) ticks in 10 s"

# Windows menu (index 7): each entry by its title, then Properties > Camera.
open_and_close() {  # TITLE MENU ENTRY [sub SUBENTRY]
    local title=$1 id= try; shift
    # A click that lands while the window manager is still busy may not open the menu.
    for try in 1 2 3; do
        xs_menu "$@"
        id=$(xs_wait_window "^($title)" 8 2>/dev/null) && break
        xdotool key Escape Escape
    done
    [ -n "$id" ] || fail "'$title' did not open"
    xs_close_window "$id"
    xs_wait_gone "^($title)" 10 || fail "'$title' ignored its close button"
}
open_and_close Hotkeys 7 0
open_and_close 'Image Browser' 7 1
open_and_close Layers 7 2
open_and_close Log 7 3
open_and_close 'Object List' 7 4
open_and_close Preferences 7 5
open_and_close "Properties|Camera" 7 6 sub 1
# Help menu (index 8): System Info, then About.
open_and_close 'System Info' 8 2
open_and_close 'About' 8 3

# Exit: the whole shutdown runs and the process ends.
settings="$XDG_CONFIG_HOME/Orvexa/Tevrin/settings"
xs_menu 0 -1   # Exit, the last entry of File
xs_wait_end 30 || fail "File > Exit left the process running"
[ -s "$settings/ui.sav" ] || fail "File > Exit did not write the layout file"
rm -f "$settings/ui.sav"

# Again with tool windows left open: closing the main window ends the process all the same.
xs_launch "$PROGRAM" || fail "no main window at the second start"
xs_dismiss_welcome || fail "the welcome window stays"
xs_menu 7 0
xs_wait_window '^Hotkeys' 20 >/dev/null || fail "Hotkeys did not open at the second start"
xs_menu 7 2
xs_wait_window '^Layers' 20 >/dev/null || fail "Layers did not open at the second start"
xs_quit 30 || fail "closing the main window left the process running"
[ -s "$settings/ui.sav" ] || fail "closing the main window did not write the layout file"
[ -z "$(xs_window .)" ] || fail "a window outlived the program"
echo "PASS"
