#!/usr/bin/env bash
# Every default chord and key of the handler table, pressed as a person does: real X key
# and button events through xdotool into the built program, under a window manager. The
# program runs with the "test" switch, which logs the handler each chord reaches.
# Usage: input_chords.sh TEVRIN DATA_FOLDER
source "$(dirname "$(realpath "$0")")/input_session.sh" "$@"

# Back to the main window: a dialog a command opened is cancelled.
settle() {
    local i
    for i in $(seq 30); do
        [ "$(xdotool getactivewindow 2>/dev/null)" = "$XS_MAIN" ] && return 0
        xdotool key Escape
        sleep 0.3
    done
    xdotool windowactivate --sync "$XS_MAIN" 2>/dev/null || true
}

# quiet: waits until the log has not grown for half a second (a long command has ended).
quiet() {
    local i last=-1 now
    for i in $(seq 40); do
        now=$(xs_log_lines)
        [ "$now" = "$last" ] && return 0
        last=$now
        sleep 0.5
    done
}

# press_chord SPEC: "key:KEYS" (xdotool key names joined by +), or
# "button:MODIFIERS:KEY:BUTTONS" (modifiers and a key held, buttons pressed in the order
# given, a short drag, released in reverse order; empty fields for none).
press_chord() {
    local spec=$1 kind rest mods key buttons b
    kind=${spec%%:*}
    rest=${spec#*:}
    if [ "$kind" = key ]; then
        xdotool key "$rest"
        return
    fi
    IFS=: read -r mods key buttons <<<"$rest"
    local down=() up=()
    for m in ${mods//+/ } $key; do down+=(keydown "$m"); up=(keyup "$m" "${up[@]}"); done
    for b in ${buttons//+/ }; do down+=(mousedown "$b" sleep 0.05); up=(mouseup "$b" "${up[@]}"); done
    # One xdotool run per chord: each start of the tool costs more than the chord itself.
    xdotool mousemove "$cx" "$cy" sleep 0.05 "${down[@]}" mousemove_relative -- 12 8 sleep 0.05 \
        mousemove_relative -- 12 8 sleep 0.05 "${up[@]}"
}

# Chords go out one after another without waiting; those marked "wait" (long operations,
# during which the program takes no input, and dialogs) are waited for. At the end the log
# must name every handler in the order pressed.
source "$(dirname "$(realpath "$0")")/default_chords.sh"
start=$(xs_log_lines)
expected=()
for entry in "${CHORDS[@]}"; do
    IFS='|' read -r name spec mode <<<"$entry"
    expected+=("$name|$spec")
    if [ "$mode" = wait ]; then
        settle
        from=$(xs_log_lines)
        press_chord "$spec"
        xs_wait_log "$from" "^Handler $name \\(0x" 20 2>/dev/null || true
        quiet
        settle
    else
        press_chord "$spec"
        sleep 0.1
    fi
    # A right-button chord bound to a handler runs it and opens no pop-up menu.
    if [[ $spec == button:*:*3* ]] && [ "$(xs_popups)" != 0 ]; then
        fail "$spec opened a pop-up menu"
        xdotool key Escape
    fi
done
settle
sleep 1
mapfile -t reached < <(tail -n +"$((start + 1))" "$(xs_log_file)" | sed -n 's/^Handler \(.*\) (0x[0-9a-f]*)$/\1/p')
next=0
for item in "${expected[@]}"; do
    name=${item%%|*}
    found=
    for ((i = next; i < ${#reached[@]}; ++i)); do
        if [ "${reached[i]}" = "$name" ]; then found=$i; break; fi
    done
    if [ -n "$found" ]; then
        next=$((found + 1))
        echo "ok: ${item#*|} -> $name"
    else
        fail "${item#*|} did not reach \"$name\""
    fi
done

settle
# Ctrl+Q belongs to the File menu's "Exit", which asks before it ends the program.
xdotool key ctrl+q
if xs_wait_active Exit 10; then
    echo "ok: key:ctrl+q -> the Exit question"
    xdotool key Escape
else
    fail "key:ctrl+q did not ask to exit"
fi
finish "every chord reached its handler"
