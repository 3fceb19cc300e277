#!/usr/bin/env bash
# Drives the real program in a real X window as a person would, against the
# virtual wren: confirm the MIDI setup, wait for the unit list, audition a
# slot, turn a knob in the editor and compare, write the program, undo a turn
# and type a value on another, save and reopen a library, export the unit
# list as .syx and open that, change the ports from the menu (a unit that
# does not answer, the heron, the wren again), cut a row of the unit list,
# rename a slot and quit, answering the update question. Keeps a
# screenshot of every step in the output folder, then checks what reached
# the virtual unit. The window alone, in the editor and with a library
# open, is kept as docs-editor.png and docs-library.png for the README.
#
#   program_check.sh <path to vr-soundeditor> <output folder>
set -euo pipefail

app=$1
out=$2
rm -rf "$out"
mkdir -p "$out"
log="$out/program.log"
state="$out/virtual-unit-state.txt"
library="$out/e2e-bank.vrm"
# Receive backups go to the output folder, not the home of whoever runs this.
export XDG_DATA_HOME="$out/data"

check=program_check
source "$(dirname "$0")/window_steps.sh"

pause() { sleep "${1:-0.3}"; }

# Waits until the program has run deferred step 4 (a transfer finished) n times.
wait_for_transfers() {
    local n=$1
    for _ in $(seq 1 300); do
        [ "$(grep -c '^vr-step 4' "$log" || true)" -ge "$n" ] && return 0
        sleep 0.1
    done
    fail "transfer $n did not finish"
}


shot() { import -window root "$out/$1.png"; }

# Points inside the window: 1-pixel frame, 22-pixel title bar and 22-pixel
# menu bar above the main component.
click_main() { xdotool mousemove --window "$WID" $(($1 + 1)) $(($2 + 45)) click 1; pause; }
# In the open or save chooser over the window: the path typed into its
# "file:" box near its foot (Return goes to the folder and keeps the name),
# then its Open or Save button.
choose_file() {
    xdotool mousemove --window "$WID" 409 498 click 1
    pause
    xdotool type --delay 20 "$1"
    xdotool key Return
    pause 0.5
    xdotool mousemove --window "$WID" 646 538 click 1
    pause 1
}
window_shot() { import -window "$WID" "$out/$1.png"; }
# File > Write Current Program... (past Open, Open Backup, Save As, Export
# and Close), until its question is up.
ask_write() {
    xdotool mousemove --window "$WID" 22 34 click 1
    pause 0.5
    xdotool key Down Down Down Down Down Down Return
    wait_for_window "Write:" >/dev/null
    pause 0.3
}
# crop_as <shot> <name> <x> <y> <w> <h>, in main-component coordinates,
# kept as <name>-box.png; crop names it after the shot.
crop_as() { convert "$out/$1.png" -crop "$5x$6+$(($3 + 1))+$(($4 + 45))" +repage "$out/$2-box.png"; }
crop() { crop_as "$1" "$@"; }
differing_pixels() { compare -metric AE "$out/$1-box.png" "$out/$2-box.png" null: 2>&1 || true; }
# The text may sit a few pixels to the side after an edit: compare what is
# drawn, cut free of the box's frame and background.
same_text() {
    convert "$out/$1-box.png" -shave 3x3 -fuzz 10% -trim +repage "$out/$1-text.png"
    convert "$out/$2-box.png" -shave 3x3 -fuzz 10% -trim +repage "$out/$2-text.png"
    [ "$(compare -metric AE "$out/$1-text.png" "$out/$2-text.png" null: 2>&1 || echo 9999)" = "0" ]
}
# The same, whatever the text's colour: in the blue channel the value boxes'
# white and the light blue of a changed value differ by 6%.
same_value() {
    convert "$out/$1-box.png" -shave 3x3 -channel B -separate -fuzz 10% -trim +repage "$out/$1-blue.png"
    convert "$out/$2-box.png" -shave 3x3 -channel B -separate -fuzz 10% -trim +repage "$out/$2-blue.png"
    [ "$(compare -fuzz 8% -metric AE "$out/$1-blue.png" "$out/$2-blue.png" null: 2>&1 || echo 9999)" = "0" ]
}

VR_ALLOW_MULTIPLE_INSTANCES=1 VR_TRACE_STEPS=1 VR_VIRTUAL_UNIT_STATE="$state" \
    "$app" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT

WID=$(wait_for_window "VORANTE wren & heron SoundEditor")
pause 1
shot 01-start-midi-setup

# The setup panel sits in the middle of the main component; its OK button
# is 114, 124 inside it (96 x 24).
click_main $((240 + 114 + 48)) $((204 + 124 + 12))
# Mid-receive the progress bar with its Stop button is in front (its light
# panel at 220, 258 in the main component).
sleep 1.5
import -window "$WID" "$out/02-receiving-progress.png"
panel=$(convert "$out/02-receiving-progress.png" -format '%[hex:p{227,307}]' info:)
[ "${panel:0:6}" = "D8D8D8" ] || fail "no progress bar during the first receive (pixel $panel)"
wait_for_transfers 1
pause 0.5
shot 02-unit-list-received
# The first receive is kept as a backup of the wren's programs.
ls "$XDG_DATA_HOME"/vr-soundeditor/backups/wren-*.vrm >/dev/null 2>&1 ||
    fail "the first receive left no backup in $XDG_DATA_HOME/vr-soundeditor/backups"

# Slot 005 of the unit list: rows are 14 pixels below a 16-pixel header.
click_main 150 $((210 + 16 + 5 * 14 + 7))
shot 03-slot-5-auditioned

# Editor tab, then drag the LEVEL knob up.
click_main 220 161
pause 0.5
window_shot 04-slot-5-in-editor
xdotool mousemove --window "$WID" $((658 + 26 + 1)) $((444 + 30 + 45)) mousedown 1
for _ in $(seq 1 10); do xdotool mousemove_relative -- 0 -6; sleep 0.03; done
xdotool mouseup 1
pause 0.5
shot 04-editor-knob-turned
import -window "$WID" "$out/docs-editor.png" # the README's picture of the editor

# --- Compare, pressed twice: the stored program is shown and played, then
# the edit again. The edit is only set aside, so the strip's EDITED mark
# (2, 30 in the strip, 50 x 10) stays. The second press sends the edit back
# to the unit, whose edit buffer the Write below stores: the level check at
# the end fails if it did not.
edited_mark() { crop_as "$1" "$1-mark" $((136 + 2)) $((46 + 30)) 50 10; }
level_box() { crop_as "$1" "$1-level" 658 513 52 22; }
compare_button() { crop_as "$1" "$1-button" 640 146 96 28; }
press_compare() {
    click_main $((640 + 48)) $((146 + 14))
    pause 0.5
}
window_shot 04-knob-turned
for s in 04-slot-5-in-editor 04-knob-turned; do edited_mark $s && level_box $s && compare_button $s; done
[ "$(differing_pixels 04-slot-5-in-editor-mark 04-knob-turned-mark)" -gt 40 ] || fail "no EDITED mark after the knob turned"
press_compare
window_shot 04-comparing && level_box 04-comparing && compare_button 04-comparing
[ "$(differing_pixels 04-knob-turned-button 04-comparing-button)" -gt 400 ] || fail "the Compare button is not lit while comparing"
# Marked as differing from the edit, so drawn in another colour.
same_value 04-slot-5-in-editor-level 04-comparing-level || fail "the LEVEL box does not show the stored value while comparing"
press_compare
xdotool mousemove --window "$WID" 700 300 # off the button, which is lit while hovered
pause
window_shot 04-compare-ended
edited_mark 04-compare-ended && level_box 04-compare-ended && compare_button 04-compare-ended
[ "$(differing_pixels 04-knob-turned-mark 04-compare-ended-mark)" = "0" ] || fail "the EDITED mark is gone after the second Compare"
[ "$(differing_pixels 04-slot-5-in-editor-mark 04-compare-ended-mark)" -gt 40 ] || fail "the EDITED mark is gone after the second Compare"
same_text 04-knob-turned-level 04-compare-ended-level || fail "the LEVEL box does not show the turned value after the second Compare"
[ "$(differing_pixels 04-knob-turned-button 04-compare-ended-button)" -lt 40 ] || fail "the Compare button stays lit after the second press"
# --- end of compare

# File > Write Current Program..., confirmed.
ask_write
shot 05-write-question
xdotool key Return
pause 1
shot 06-written

# --- Undo: slot 006 is auditioned, its NR knob turned, and Ctrl+Z takes the
# turn back, on screen and on the unit; a LEVEL is typed; then the program is
# written to slot 006. A write stores the unit's own edit buffer, and nothing sends slot 006
# again later, so the unit's slot 006 at the end holds what the unit's edit
# buffer held after the undo.
nr_box() { crop "$1" 566 513 52 22; }
click_main 430 161 # program list
click_main 150 $((210 + 16 + 6 * 14 + 7))
click_main 220 161 # editor view
pause 0.5
window_shot 23-slot-6-shown && nr_box 23-slot-6-shown
xdotool mousemove --window "$WID" $((566 + 26 + 1)) $((444 + 30 + 45)) mousedown 1
for _ in $(seq 1 10); do xdotool mousemove_relative -- 0 -6; sleep 0.03; done
xdotool mouseup 1
pause 0.5
window_shot 24-nr-turned && nr_box 24-nr-turned
[ "$(differing_pixels 23-slot-6-shown 24-nr-turned)" -gt 40 ] || fail "the NR knob did not turn"
xdotool mousemove --window "$WID" 70 34 click 1 # the Edit menu names the step
pause 0.5
shot 24-edit-menu-undo-nr
xdotool key Escape
pause 0.3
xdotool key ctrl+z
pause 0.5
window_shot 25-nr-undone && nr_box 25-nr-undone
same_text 23-slot-6-shown 25-nr-undone || fail "Ctrl+Z did not bring the NR value back on screen"
# A LEVEL typed midway between two values the box shows, 7.5 between 7.3 and
# 7.7, becomes one of them. The box is read against its own renderings of
# 7.3 and 7.7, typed as they are and shown after a click elsewhere (the
# colour follows the value, so equal values draw alike). The Write below
# keeps the value in slot 006, where the unit's record says which reached it.
type_level() {
    click_main $((658 + 26)) $((513 + 11))
    xdotool type --delay 30 "$1"
    pause
    window_shot "$2-typed"
    xdotool key Return
    pause
    click_main 760 120 # the background
    window_shot "$2" && level_box "$2"
}
type_level 7.3 26-level-7.3
type_level 7.7 26-level-7.7
if same_text 26-level-7.3-level 26-level-7.7-level; then fail "the LEVEL box shows 7.3 and 7.7 alike"; fi
type_level 7.5 26-level-7.5
if same_text 26-level-7.5-level 26-level-7.7-level; then
    typed_level=17 # value 23, hex 17, shows as 7.7
elif same_text 26-level-7.5-level 26-level-7.3-level; then
    typed_level=16 # value 22 shows as 7.3
else
    fail "7.5 typed in the LEVEL box shows as neither 7.3 nor 7.7"
fi
ask_write
xdotool key Return
pause 1
click_main 430 161 # program list, and slot 005 again for the steps below
click_main 150 $((210 + 16 + 5 * 14 + 7))
# --- end of undo

# Save the unit list as a library, then open it again.
xdotool key ctrl+s
pause 1
shot 07-save-dialog
choose_file "$library"
[ -f "$library" ] || fail "the library was not saved"
size=$(stat -c %s "$library")
[ "$size" -eq 6432 ] || fail "the saved library has $size bytes"
head -c 10 "$library" | grep -q '^VRMPROG100$' || fail "the saved library has no magic"

click_main 430 161 # back to the program list
xdotool key ctrl+o
pause 1
choose_file "$library"
shot 08-library-reopened
import -window "$WID" "$out/docs-library.png" # the README's picture of the program list

# ---- Sharing: the unit list as a .syx file, opened again as a file ----
# With no row selected, File > Export SysEx... (Ctrl+E) writes the whole
# unit list: 200 program dumps whose records are the library's. Opened, its
# rows read as the library's rows do (names and categories compared as drawn).
file_rows() { crop "$1" 452 250 108 266; } # rows 2-20 of the right-hand list, name and category
syx="$out/e2e-bank.syx"
window_shot 09-library-rows
click_main 150 $((210 + 16 + 5 * 14 + 7))
xdotool keydown ctrl mousemove --window "$WID" 151 $((210 + 16 + 5 * 14 + 7 + 45)) click 1 keyup ctrl
pause 0.5
xdotool key ctrl+e
pause 1
shot 09-export-dialog
choose_file "$syx"
[ -f "$syx" ] || fail "the unit list was not exported"
size=$(stat -c %s "$syx")
[ "$size" -eq 8400 ] || fail "the export has $size bytes, not 200 program dumps"
# Each dump: F0 7D 30 model 01 0F 4C, the number (2 bytes), 32 record bytes, F7.
# As hex, 3 characters a byte: a dump's record is characters 28-123 of its line.
od -An -v -tx1 -w42 "$syx" | cut -c28-123 >"$out/syx-records.txt"
tail -c +33 "$library" | od -An -v -tx1 -w32 >"$out/library-records.txt"
cmp -s "$out/library-records.txt" "$out/syx-records.txt" || fail "the exported records are not the library's"
xdotool key ctrl+o
pause 1
choose_file "$syx"
window_shot 09-syx-rows
file_rows 09-library-rows
file_rows 09-syx-rows
# Each file's rows have a shade of their own; the fuzz lets that pass, not a letter.
[ "$(compare -fuzz 6% -metric AE "$out/09-library-rows-box.png" "$out/09-syx-rows-box.png" null: 2>&1 || true)" = "0" ] ||
    fail "the opened .syx rows differ from the library's"

# ---- MIDI setup from the menu: Return, a unit that does not answer, the heron ----
# The panel opens from Option > MIDI Setup... centred in the main component
# (800 x 578 below the menu bar) and in front, and takes Return with no click
# first. Output on the heron with the input on the wren: no unit answers,
# and the program says so. Both on the heron: the unit list is received from
# it and the About box names it. Then both go back to the wren.
setup_x=240
setup_y=204
about_x=160
about_y=189
menu_option() { # item number in the Option menu
    xdotool mousemove --window "$WID" 126 34 click 1
    pause 0.5
    for _ in $(seq 1 "$1"); do xdotool key Down; done
    xdotool key Return
    pause 0.8
}
# A box of the panel (48 input, 82 output), then a key in its list.
choose_port() {
    click_main $((setup_x + 88 + 100)) $((setup_y + $1 + 10))
    pause 0.5
    xdotool key "$2" Return
    pause 0.5
}
# 1 when the panel's face is seen: the 300 x 10 strip across the panel's
# foot is light on average (the tables under it are dark).
panel_seen() {
    import -window "$WID" "$out/probe.png"
    convert "$out/probe.png" -crop "300x10+$((setup_x + 10 + 1))+$((setup_y + 152 + 45))" \
        -format "%[fx:mean > 0.6 ? 1 : 0]" info:
}
# Keeps the About box's unit and connection lines (x 16-246, y 56-146 inside
# it) as $1-line.png.
about_line() {
    menu_option 3 # MIDI Setup..., MIDI Monitor..., About
    shot "$1"
    import -window "$WID" "$out/probe.png"
    convert "$out/probe.png" -crop "230x90+$((about_x + 16 + 1))+$((about_y + 56 + 45))" +repage "$out/$1-line.png"
    xdotool key Escape
    pause 0.5
}
differ() { [ "$(compare -metric AE "$out/$1-line.png" "$out/$2-line.png" null: 2>&1 || true)" != "0" ]; }
transfers() { grep -c '^vr-step 4' "$log" || true; }

about_line 12-about-wren
menu_option 1
shot 13-midi-setup-from-menu
[ "$(panel_seen)" = 1 ] || fail "MIDI Setup... from the menu shows no panel"

choose_port 82 Down # output: the heron
xdotool key Return
wait_for_window "MIDI Setup:" >/dev/null
pause 0.3
shot 14-no-unit-answered
xdotool key Return
pause 0.5
about_line 15-about-not-connected

menu_option 1
choose_port 48 Down # input: the heron
before=$(transfers)
xdotool key Return
wait_for_transfers $((before + 1))
pause 0.5
shot 16-unit-list-from-heron
about_line 17-about-heron
differ 12-about-wren 17-about-heron || fail "the About box does not name another unit after the heron answered"
differ 15-about-not-connected 17-about-heron || fail "the About box shows no unit after the heron answered"
differ 12-about-wren 15-about-not-connected || fail "the About box still shows a unit when none answered"

menu_option 1
choose_port 48 Up
choose_port 82 Up
before=$(transfers)
xdotool key Return
wait_for_transfers $((before + 1))
pause 0.5
shot 18-back-on-wren
[ "$(panel_seen)" = 0 ] || fail "the panel did not close on Return"
# ---- end of MIDI setup from the menu ----

# --- Cut: row 008 of the unit list goes, the rows below move up a slot and
# an empty row fills slot 199. Each moved slot is modified, so the transmit
# at Quit sends them all; slots 5 and 6, checked at the end, lie above it.
# Rows are 14 pixels high from 233; the crop is the From, name and category
# columns, which move with the row.
row_y() { echo $((233 + 14 * $1 + 7)); }
unit_rows() { crop_as "$1" "$2" 117 $((233 + 14 * $3)) 208 $((14 * $4)); }
cut_row=8
click_main 150 "$(row_y $cut_row)"
pause 0.5
window_shot 27-row-8-selected
xdotool key ctrl+x
pause 0.5
window_shot 27-row-8-cut
# Row 8 is selected before and after, so rows 9-18 are compared with 10-19.
unit_rows 27-row-8-selected 27-rows-9-18-before $((cut_row + 1)) 10
unit_rows 27-row-8-selected 27-rows-10-19-before $((cut_row + 2)) 10
unit_rows 27-row-8-cut 27-rows-9-18-after $((cut_row + 1)) 10
[ "$(differing_pixels 27-rows-9-18-before 27-rows-9-18-after)" -gt 400 ] || fail "Ctrl+X cut no row"
[ "$(differing_pixels 27-rows-10-19-before 27-rows-9-18-after)" = "0" ] ||
    fail "the rows below the cut one did not move up a slot on screen"
click_main 150 "$(row_y 5)" # slot 005 again for the rename
# --- end of cut

# Rename the current slot in the strip: that marks it modified.
click_main $((136 + 52 + 90)) $((46 + 20))
xdotool key ctrl+a
xdotool type --delay 30 "E2E TEST"
xdotool key Return
pause 0.5
shot 09-renamed

# --- Value and name boxes (editor view): typed text gives way to what the
# program holds. Crops of the window are compared pixel by pixel: the reverb
# value box (434, 513, 56 x 22 in the panel) and the name box (52, 0,
# 186 x 40 in the strip at 136, 46).
value_box() { crop "$1" 434 513 56 22; }
name_box() { crop "$1" $((136 + 52)) 46 186 40; }
background() { click_main 760 120; }
# The value box, shot when its blinking caret is off, so shots with the caret
# at either end of the text compare alike.
caret_pixels() {
    convert "$out/$1-box.png" -fuzz 8% -fill black -opaque '#42A2C8' "$out/$1-nocaret.png"
    compare -metric AE "$out/$1-box.png" "$out/$1-nocaret.png" null: 2>&1 || true
}
value_box_without_caret() {
    for _ in $(seq 1 20); do
        window_shot "$1" && value_box "$1"
        [ "$(caret_pixels "$1")" = "0" ] && return
        sleep 0.07
    done
}

click_main 220 161 # editor view
pause 0.5
# The reference is taken after a first visit of the box: that settles the
# text's place in it.
click_main $((434 + 28)) $((513 + 11))
background
window_shot 12-value-box-shown && value_box 12-value-box-shown

# A click selects the box's text, so typing replaces it; "3.4" means the
# value already set (3.3), "abc" is dropped by Escape and by a click elsewhere.
click_main $((434 + 28)) $((513 + 11))
pause
value_box_without_caret 13-value-box-focused
xdotool type --delay 30 "3.4"
pause
window_shot 14-value-box-typed && value_box 14-value-box-typed
[ "$(differing_pixels 13-value-box-focused 14-value-box-typed)" -gt 40 ] || fail "typing did not reach the value box"
xdotool key Return
pause
value_box_without_caret 15-value-box-return
xdotool type --delay 30 "abc"
xdotool key Escape
pause
value_box_without_caret 16-value-box-escape
xdotool type --delay 30 "abc"
background
window_shot 17-value-box-clicked-away && value_box 17-value-box-clicked-away
# Still focused after Return and Escape, with the text selected: only the
# caret may differ.
for step in 15-value-box-return 16-value-box-escape; do
    [ "$(differing_pixels 13-value-box-focused $step)" -lt 40 ] || fail "$step: the box does not show its value again"
done
same_text 12-value-box-shown 17-value-box-clicked-away ||
    fail "a click on the background left typed text in the value box"

# Accented letters fold to capitals as typed, "~" is refused, ten at most.
type_name() {
    click_main $((136 + 52 + 90)) $((46 + 20))
    xdotool key ctrl+a
    xdotool type --delay 30 "$1"
    background
    window_shot "$2" && name_box "$2"
}
type_name "Größe~undxyz" 18-name-folded
type_name "GROSSEUNDX" 19-name-plain
same_text 18-name-folded 19-name-plain || fail "the typed name was not folded to GROSSEUNDX"
type_name "E2E TEST" 20-name-restored
[ "$(differing_pixels 19-name-plain 20-name-restored)" -gt 40 ] || fail "typing did not reach the name box"
click_main 430 161 # back to the program list
pause 0.5
# --- end of value and name boxes

# --- Files: a file without the library header, named on the command line ---
# A second program started with random bytes as its library file asks
# before opening it, over its own main window (not alone before it);
# Cancel leaves the file unopened. The second program is then ended.
foreign="$out/e2e-foreign.vrm"
head -c 7000 /dev/urandom >"$foreign"
VR_ALLOW_MULTIPLE_INSTANCES=1 "$app" "$foreign" >"$out/second-program.log" 2>&1 &
pid2=$!
trap 'kill $pid $pid2 2>/dev/null || true' EXIT
question=$(wait_for_window "Confirm Open:")
pause 0.5
shot 21-headerless-file-question
xdotool windowfocus "$question" key Escape
pause 0.5
xdotool search --onlyvisible --name "Confirm Open:" >/dev/null 2>&1 && fail "the header question stayed open"
kill -0 $pid2 2>/dev/null || fail "the second program ended after the header question"
xdotool mousemove --window "$WID" 700 300 # a closed alert stays painted until the pointer moves
pause 0.5
shot 22-headerless-file-declined
kill $pid2
wait $pid2 2>/dev/null || true
trap 'kill $pid 2>/dev/null || true' EXIT
pause 0.5
# Files handed over while a question is up: a program holding the single
# place gets a.vrm and b.vrm, then a file without the header (its question
# shows), then c.vrm while the question is still up. "Open it anyway" fills
# the third place; c.vrm then finds none and says so, and nothing is written
# past the three places (the sanitizer build would report it).
holder_log="$out/holder-program.log"
for name in a b c; do cp "$library" "$out/handed-$name.vrm"; done
"$app" "$out/handed-a.vrm" >"$holder_log" 2>&1 &
holder=$!
trap 'kill $pid $holder 2>/dev/null || true' EXIT
pause 2
"$app" "$out/handed-b.vrm" >>"$out/handing-over.log" 2>&1 || fail "handing over b.vrm failed"
"$app" "$foreign" >>"$out/handing-over.log" 2>&1 || fail "handing over the file without a header failed"
question=$(wait_for_window "Confirm Open:")
"$app" "$out/handed-c.vrm" >>"$out/handing-over.log" 2>&1 || fail "handing over c.vrm failed"
pause 0.5
xdotool windowfocus "$question" key Return
refusal=$(wait_for_window "File Open Error:")
pause 0.3
shot 23-fourth-file-refused
xdotool windowfocus "$refusal" key Return
pause 0.5
kill -0 $holder 2>/dev/null || fail "the program holding the files ended"
kill $holder
wait $holder 2>/dev/null || true
trap 'kill $pid 2>/dev/null || true' EXIT
if grep -qE 'AddressSanitizer|runtime error|JUCE Assertion failure' "$holder_log"; then
    cat "$holder_log" >&2
    fail "handing over files while a question was up was reported by a checker"
fi
# --- end of the files block ---

# Quit, and send the modified slots first. The program shown holds an edit
# that was not written: Quit names it first, and it is discarded.
xdotool key ctrl+q
wait_for_window "Quit:" >/dev/null
pause 0.3
shot 10-quit-unwritten-edit
xdotool key d
pause 0.5
wait_for_window "Quit:" >/dev/null
pause 0.3
shot 10-quit-question
xdotool key Return
wait_for_window "Update:" >/dev/null
pause 0.3
shot 11-update-question
xdotool key Return
pause 1.5
shot 11-transmitting

# The cut's moved slots go too: some 190 programs.
wait_for_exit $pid 90 || fail "the program did not quit after the transmit"
trap - EXIT
wait $pid || fail "the program ended with an error"

# What the unit holds now (the wren's part: the heron was used too).
[ -f "$state" ] || fail "no virtual unit state was written"
wren_state=$(awk '/^unit /{u=$0} u ~ /wren/' "$state")
program5=$(echo "$wren_state" | grep '^program 5 ' | cut -d' ' -f3)
edit=$(echo "$wren_state" | grep '^edit ' | cut -d' ' -f2)
name5=$(echo "$program5" | cut -c1-20)
# "E2E TEST  " encoded as character code - 32
[ "$name5" = "25122500342533340000" ] || fail "slot 5 on the unit is not the renamed program ($name5)"
# Record byte 27 (the level) is hex characters 55-56.
level5=$(echo "$program5" | cut -c55-56)
shipped5=$(echo "$wren_state" | grep '^factory 5 ' | cut -d' ' -f3 | cut -c55-56)
[ "$level5" != "$shipped5" ] || fail "the turned knob did not reach slot 5 (level $level5)"
[ "$(echo "$edit" | cut -c55-56)" = "$level5" ] || fail "the unit's edit buffer does not hold the turned level"
# Record byte 28 (NR) is hex characters 57-58: the undone turn is not on the unit.
program6=$(echo "$wren_state" | grep '^program 6 ' | cut -d' ' -f3)
nr6=$(echo "$program6" | cut -c57-58)
shipped_nr6=$(echo "$wren_state" | grep '^factory 6 ' | cut -d' ' -f3 | cut -c57-58)
[ "$nr6" = "$shipped_nr6" ] || fail "slot 6 on the unit holds the NR turn that was undone ($nr6, not $shipped_nr6)"
# The level typed as 7.5 reached the unit as what the box showed.
[ "$(echo "$program6" | cut -c55-56)" = "$typed_level" ] ||
    fail "slot 6 on the unit holds level $(echo "$program6" | cut -c55-56), not the typed one ($typed_level)"
# The cut: slot 7 as shipped, slots 8-198 what shipped one slot below, 199 an
# empty row (not what shipped there).
moved=$(echo "$wren_state" | awk -v cut=$cut_row '
    $1 == "factory" { shipped[$2] = $3 }
    $1 == "program" { held[$2] = $3 }
    END {
        for (n = cut - 1; n < 199; n++) {
            want = n < cut ? shipped[n] : shipped[n + 1]
            if (held[n] != want) { print "slot " n " holds " held[n] ", not " want; exit }
        }
        if (held[199] == shipped[199]) print "slot 199 holds what shipped there"
    }')
[ -z "$moved" ] || fail "the cut did not reach the unit: $moved"
# A failed assertion in the program is a fault even when every step passed.
if grep -q 'JUCE Assertion failure' "$log"; then
    grep -A2 'JUCE Assertion failure' "$log" >&2
    fail "the program hit a JUCE assertion"
fi

# --- A unit that acknowledges a write but stores nothing: Write reads the
# slot back and says so.
log="$out/protect.log"
VR_ALLOW_MULTIPLE_INSTANCES=1 VR_TRACE_STEPS=1 VR_VIRTUAL_UNIT_FAULT=protect "$app" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
WID=$(wait_for_window "VORANTE wren & heron SoundEditor")
pause 1
click_main $((240 + 114 + 48)) $((204 + 124 + 12))
wait_for_transfers 1
pause 0.5
# Slot 003 of the unit list, into the editor, a knob turned, then written.
click_main 150 $((210 + 16 + 3 * 14 + 7))
click_main 220 161
pause 0.5
xdotool mousemove --window "$WID" $((658 + 26 + 1)) $((444 + 30 + 45)) mousedown 1
for _ in $(seq 1 10); do xdotool mousemove_relative -- 0 -6; sleep 0.03; done
xdotool mouseup 1
pause 0.5
ask_write
xdotool key Return
for _ in $(seq 1 50); do
    grep -q '^vr-alert Write: The unit did not store program 003 as it was sent.' "$log" && break
    sleep 0.1
done
shot 30-write-not-stored
grep -q '^vr-alert Write: The unit did not store program 003 as it was sent.' "$log" ||
    fail "Write to a unit that stores nothing did not say so"
kill $pid
wait $pid 2>/dev/null || true
trap - EXIT
if grep -q 'JUCE Assertion failure' "$log"; then
    grep -A2 'JUCE Assertion failure' "$log" >&2
    fail "the program with a protected unit hit a JUCE assertion"
fi
echo "program_check: all steps passed; screenshots in $out"
