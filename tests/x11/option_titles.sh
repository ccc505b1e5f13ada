#!/usr/bin/env bash
# The option dialogs' titles show whole under a window manager: each dialog is at least as
# wide as the title bar needs for its caption in the manager's own title font (bold) beside
# the window's icon and three buttons.
# Usage: option_titles.sh TEVRIN DATA_FOLDER [SHOT_FOLDER]
source "$(dirname "$(realpath "$0")")/input_session.sh" "$@"
shots=${3:-}

# The manager's title font, from the configuration it runs with: its size in points at the
# server's resolution.
rc="$XS_WORK/openbox-rc.xml"
[ -f "$rc" ] || rc=/etc/xdg/openbox/rc.xml
points=$(awk '/<font place="ActiveWindow">/ { f = 1 } f && /<size>/ { gsub(/[^0-9]/, ""); print; exit }' "$rc")
dpi=$(xdpyinfo | awk '/resolution:/ { split($2, r, "x"); print r[1]; exit }')
pixels=$(awk -v p="${points:-8}" -v d="$dpi" 'BEGIN { printf "%.2f", p * d / 72 }')
font=$(fc-match -f '%{file}' 'sans:bold')
# text_width TEXT: the caption's width in pixels in that font.
text_width() { convert -density 72 -font "$font" -pointsize "$pixels" label:"$1" -format '%w' info:; }

# check TITLE: the open dialog titled TITLE leaves its caption room in the title bar: the
# frame's width less the icon and three buttons (each about as wide as the bar is high)
# and the bar's margins.
check() {
    local title=$1 id extents left right top frame need
    id=$(xs_wait_window "^$title\$" 15) || { fail "'$title' did not open"; return 1; }
    sleep 0.8
    eval "$(xdotool getwindowgeometry --shell "$id")"
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/ //g')
    IFS=, read -r left right top _ <<<"$extents"
    frame=$((WIDTH + left + right))
    need=$(($(text_width "$title") + 4 * top + 16))
    echo "$title: frame $frame wide, caption needs $need"
    [ "$frame" -ge "$need" ] || fail "'$title' is $frame wide; its title bar needs $need for the caption"
    [ -n "$shots" ] && xs_shot "$shots/option_title_${title// /_}.png"
    xs_key "$id" Escape
    xs_wait_gone "^$title\$" 5 || xdotool key --window "$id" Escape
}

# choose_file NAME: types a file's path into the file dialog that the program opened.
choose_file() {
    local id
    id=$(xs_wait_window '^(Choose a file|Import file)$' 10) || { fail "no file dialog"; return 1; }
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    sleep 0.5
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "$1"
    xdotool key Return
}

# Import Options: File > Import As Layer with the cube.
xs_menu 0 5
choose_file "$XS_WORK/cube.obj" && check "Import Options"

# Export Options: File > Export Levels with every face selected.
xdotool mousemove "$cx" "$cy"
xs_key "$XS_MAIN" ctrl+a
sleep 0.5
xs_menu 0 8
choose_file "$XS_WORK/levels.obj" && check "Export Options"

finish "PASS"
