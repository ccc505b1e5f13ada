#!/usr/bin/env bash
# The docked Properties tab shows the brush's picture at the first start and at the next
# one with the same settings folder: no placeholder picture in either log, and the tab
# looks the same both times.
# Usage: properties_tab_picture.sh TEVRIN [SHOT_FOLDER]
set -u
PROGRAM=$1
shots=${2:-}
source "$(dirname "$0")/xsession.sh"
fail() { echo "FAIL: $*" >&2; XS_KEEP=1; exit 1; }

# tab_shot NAME: the docked Properties tab's picture and caption.
tab_shot() {
    local id x y
    eval "$(xdotool getwindowgeometry --shell "$XS_MAIN")"
    # The "West" dock holds the Properties page, below the right-hand docks' upper half.
    import -window root -display "$DISPLAY" -crop 150x24+$((X + WIDTH - 340))+$((Y + 616)) "$XS_WORK/$1.png"
    [ -n "$shots" ] && cp "$XS_WORK/$1.png" "$shots/"
    import -window root -display "$DISPLAY" "$XS_WORK/$1_screen.png"
    [ -n "$shots" ] && cp "$XS_WORK/$1_screen.png" "$shots/"
    return 0
}
placeholder() { grep -h 'placeholder is shown' "$1"; }

xs_start || exit 1
for start in first second; do
    xs_launch "$PROGRAM" || fail "no main window at the $start start"
    xs_dismiss_welcome || fail "the welcome window stays"
    sleep 2
    tab_shot "tab_$start"
    log=$(xs_log_file)
    [ -s "$log" ] || fail "no log at the $start start"
    missing=$(placeholder "$log")
    [ -z "$missing" ] || fail "the $start start showed a placeholder: $missing"
    xs_quit 30 || fail "the $start start did not end"
done
differ=$(compare -metric AE "$XS_WORK/tab_first.png" "$XS_WORK/tab_second.png" null: 2>&1 | cut -d' ' -f1)
[ "${differ%%.*}" -le 20 ] || fail "the Properties tab looks different at the second start ($differ pixels)"
echo "PASS"
