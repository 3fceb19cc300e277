#!/usr/bin/env bash
# Checks what a desktop gets: installs the build into a scratch folder and
# validates its menu entry, AppStream description and file types; builds
# the .deb, unpacks it into a scratch root and starts the program from
# there. Its window must appear under the menu entry's name; a second start
# with a file must hand the file to it and end at once; Quit must end it
# cleanly.
#
#   install_check.sh <build folder> <output folder>
set -euo pipefail

build=$(cd "$1" && pwd)
out=$2
rm -rf "$out"
mkdir -p "$out"
log="$out/program.log"

check=install_check
source "$(dirname "$0")/window_steps.sh"

# ---- cmake --install: the files and their validators ----
stage="$out/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >"$out/install.log"
share="$stage/usr/share"
desktop=$(echo "$share"/applications/*.desktop)
metainfo=$(echo "$share"/metainfo/*.metainfo.xml)
[ -x "$stage/usr/bin/vr-soundeditor" ] || fail "no program installed"
[ -f "$share/doc/vr-soundeditor/copyright" ] || fail "no copyright file where Debian looks for it"
if grep -q '^StartupNotify=true' "$desktop"; then
    fail "a start that only hands its file over would leave a busy cursor"
fi
desktop-file-validate "$desktop" || fail "the menu entry does not validate"
appstreamcli validate --no-net "$metainfo" >"$out/appstream.log" 2>&1 ||
    { cat "$out/appstream.log" >&2; fail "the AppStream description does not validate"; }

app_id=$(basename "$desktop" .desktop)
grep -q "<id>$app_id</id>" "$metainfo" || fail "the AppStream id is not the menu entry's name"
icon=$(sed -n 's/^Icon=//p' "$desktop")
for size in 16 22 24 32 48 64 128 256 512; do
    png="$share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ "$(identify -format '%wx%h' "$png" 2>/dev/null)" = "${size}x${size}" ] ||
        fail "no ${size}x${size} icon named $icon"
done

# The file types: their database must build, and know both extensions and
# the library's magic. The shared database's own types go in beside ours,
# as on a desktop.
cp -r "$share/mime" "$out/mime"
cp /usr/share/mime/packages/freedesktop.org.xml "$out/mime/packages/"
update-mime-database "$out/mime" 2>/dev/null || fail "the file types do not build"
for mime in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
    grep -q "$mime" "$out/mime/types" || fail "the menu entry opens $mime, which nothing defines"
done
grep -q ':\*\.vrm$' "$out/mime/globs2" || fail "no file type for .vrm"
grep -q ':\*\.syx$' "$out/mime/globs2" || fail "no file type for .syx"
grep -aq 'VRMPROG100' "$out/mime/magic" || fail "the library's magic is not known"
grep -q '^Exec=vr-soundeditor %F$' "$desktop" || fail "the menu entry does not hand files on"
# The shared database calls *.vrm VRML: a library we wrote, and one without
# the header (opened after "Open it anyway?"), must both be typed as ours.
{ printf 'VRMPROG100'; head -c 6422 /dev/zero; } >"$out/written.vrm"
head -c 6432 /dev/zero | tr '\0' '\1' >"$out/headerless.vrm"
for f in "$out/written.vrm" "$out/headerless.vrm"; do
    type=$(env -u XDG_CURRENT_DESKTOP -u XDG_SESSION_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION \
        -u GNOME_DESKTOP_SESSION_ID XDG_DATA_HOME="$out/no-home" XDG_DATA_DIRS="$out" \
        xdg-mime query filetype "$f")
    [ "$type" = application/x-vorante-library ] || fail "$(basename "$f") is typed $type"
done

# ---- the .deb: its dependencies, unpacked, started ----
(cd "$build" && cpack -G DEB >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$build"/package/vr-soundeditor_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libasound2 libfreetype6 libx11-6; do
    [[ "$depends" == *"$lib"* ]] || fail "the .deb does not depend on $lib ($depends)"
done
root="$out/root"
dpkg -x "$deb" "$root"
installed="$root/usr/bin/vr-soundeditor"
title=$(sed -n 's/^Name=//p' "$root/usr/share/applications/$app_id.desktop")

# Its own single-instance channel, apart from a program already running.
export VR_INSTANCE_CHANNEL="install-check-$$"
"$installed" >"$log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wid=$(wait_for_window "^$title\$")
sleep 1
import -window root "$out/01-installed-program.png"
# Docks match the window to its menu entry by its class.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/usr/share/applications/$app_id.desktop")
xprop -id "$wid" WM_CLASS | grep -qF "\"$wm_class\"" || fail "the window's class is not the menu entry's StartupWMClass"

# A second start hands its file over and ends at once; the first shows
# what opening it brought (here: that there is no such file).
missing="$out/no such bank.vrm"
(cd "$out" && timeout 10 "$installed" "$(basename "$missing")" >"$out/second.log" 2>&1) ||
    fail "the second start did not end with 0"
alert=$(wait_for_window "^File Open Error:\$")
sleep 0.3
import -window root "$out/02-file-from-second-start.png"
xdotool windowfocus "$alert" key Return
sleep 0.5

# A name that is not ASCII reaches the running window whole: it finds this
# file, which has no library header, and asks before opening it (a mangled
# name would be "no such file").
accented="$out/Café sans tête.vrm"
cp "$out/headerless.vrm" "$accented"
(cd "$out" && timeout 10 "$installed" "$(basename "$accented")" >>"$out/second.log" 2>&1) ||
    fail "the second start with an accented name did not end with 0"
question=$(wait_for_window "^Confirm Open:\$")
sleep 0.3
import -window root "$out/03-accented-file-from-second-start.png"
xdotool windowfocus "$question" key Return
sleep 0.5
xdotool search --onlyvisible --name "^File Open Error:\$" >/dev/null 2>&1 && fail "the accented file did not open"

# Quit from the keyboard, answering its question.
xdotool mousemove --window "$wid" 400 300 windowfocus "$wid" key Escape
sleep 0.3
xdotool key ctrl+q
quit=$(wait_for_window "^Quit:\$")
xdotool windowfocus "$quit" key Return
wait_for_exit $pid || fail "the program did not quit"
trap - EXIT
wait $pid || fail "the program ended with an error"
echo "install_check: $(basename "$deb") ($(stat -c %s "$deb") bytes) installs, validates and starts"
