#!/usr/bin/env bash
# Installs an earlier version of Movikon PRO under wine from its installer, silently; starts the installed
# program on the display, queues a clip through its Open Files dialog and converts it into the user's output
# folder, as a person would; ends it mid-file by force and by the end of the session; installs this version
# over it while it converts; then uninstalls it: the program, its Send-to shortcut and its Open-with entries are
# gone, the user's settings and converted file stay, and the video types are as the test found them.
# A test of the Windows build's CTest list (labels wine, x11, slow), run by scripts/windows.sh wine-tests, which
# sets WINEPREFIX (with no Movikon PRO installed) and DISPLAY.
# Usage: windows-installer-test.sh SETUP.EXE OLDER-SETUP.EXE ZIP (the zip holds the folder SETUP.EXE installs)
set -Eeuo pipefail
# Any command that fails unchecked is named, so that no run ends without a word.
trap 'echo "installer test: \"$BASH_COMMAND\" failed with status $? (line $LINENO)" >&2' ERR
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/windows-env.sh
source "$root/scripts/windows-env.sh"
setup=$1
older_setup=$2
zip=$3
drive_c=$WINEPREFIX/drive_c
installed="$drive_c/Program Files/Movikon PRO"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
wine=$wine64
screenshot=${TMPDIR:-/tmp}/movikon-installer-test.png
# What the display showed when the test failed tells most of why.
fail() {
    echo "installer test: $*" >&2
    import -window root "$screenshot" 2>/dev/null && echo "installer test: the display then: $screenshot" >&2
    exit 1
}
layout=$root/window/WindowLayout.h
# "x y" of the centre of the window's control $1 (kAddButton, kExit…), from the window's one layout.
centre() {
    sed -n "s/.*\b$1{\([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)}.*/\1 \2 \3 \4/p" "$layout" |
        awk '{ print int($1 + $3 / 2), int($2 + $4 / 2) }'
}
# Clicks the centre of the control $1 of the window at $X,$Y.
click() {
    local x y
    read -r x y < <(centre "$1")
    xdotool mousemove $((X + x)) $((Y + y)) click 1
}
version_of() { basename "$1" | sed 's/^movikon-\(.*\)-setup\.exe$/\1/'; }
# Waits up to $1 seconds for the command after it to succeed.
within() {
    local seconds=$1
    shift
    for ((i = 0; i < seconds * 2; i++)); do "$@" && return 0; sleep 0.5; done
    return 1
}
window() { xdotool search --name '^Movikon PRO$' 2>/dev/null | head -1; }
has_window() { [ -n "$(window)" ]; }
no_window() { [ -z "$(window)" ]; }
# Starts the installed program as the Start menu would; the test ends it in several ways, none of them news.
start_program() {
    "$wine" 'C:\Program Files\Movikon PRO\movikon.exe' >/dev/null 2>&1 &
    disown
}
has_dialog() { [ -n "$(xdotool search --name '^Open Files$' 2>/dev/null)" ]; }
no_dialog() { ! has_dialog; }
# Queues the clip $1 through the Open Files dialog of the window at $X,$Y and starts the conversion, as a person
# would: each step waits for the window that the one before opens or closes.
convert_clip() {
    click kAddButton
    within 30 has_dialog || fail "添加文件 opened no Open Files dialog"
    xdotool type --delay 20 "$(windows "$1")"
    xdotool key Return
    within 30 no_dialog || fail "the Open Files dialog did not take $(windows "$1")"
    click kConvertButton
}
# The processes of the installed program's file $1 (movikon.exe, data/conv.exe, data/ffmpeg.exe): wine maps a
# program's file under its Linux path, which is this prefix's own, so another wine session's Movikon PRO or
# encoder never counts. A process that ends while grep reads it makes grep's status 2, and none found is 1.
pids_of() { { grep -lsF "$installed/$1" /proc/[0-9]*/maps || true; } | cut -d/ -f3; }
running() { [ -n "$(pids_of "$1")" ]; }
encoders_gone() { ! running data/conv.exe && ! running data/ffmpeg.exe; }
program_gone() { ! running movikon.exe; }
# The DisplayVersion of every entry named Movikon PRO among the installed programs, in both registry views.
listed_versions() {
    local view
    for view in "$uninstall_key" "${uninstall_key/Software/Software\\Wow6432Node}"; do
        # A view without any installed program has no Uninstall key at all.
        "$wine" reg query "$view" /s 2>/dev/null | tr -d '\r' |
            awk 'function entry() { if (name == "Movikon PRO") print version; name = version = "" }
                 /^HKEY/ { entry() } END { entry() }
                 /DisplayName +REG_SZ/ { sub(/.*REG_SZ +/, ""); name = $0 }
                 /DisplayVersion +REG_SZ/ { sub(/.*REG_SZ +/, ""); version = $0 }' || true
    done
}
shortcuts() { find "$drive_c" -path '*/Start Menu/*' -iname '*movikon*'; }
send_to_shortcuts() { find "$drive_c/users" -path '*/SendTo/*' -iname '*movikon*'; }
# The video types the installer offers the program for under Open with: the list the build reads.
video_types=$(grep -E '^[a-z0-9]+$' "$root/engine/VideoExtensions.txt")
application_key='HKLM\Software\Classes\Applications\movikon.exe'
# The keys of all video types as programs see them (the machine's and the user's classes merged); reg tells
# of a missing key on its standard output.
video_type_keys() {
    local type
    for type in $video_types; do
        { "$wine" reg query "HKCR\\.$type" /s 2>/dev/null || true; } | tr -d '\r' | grep -v -e '^reg: ' -e '^$' || true
    done
}
# The default program of each video type in the keys $1: the unnamed value of the type's own key, which reg
# names in parentheses in any language.
default_programs() { awk '/^HKEY/ { key = $0 } key ~ /\\\.[a-z0-9]+$/ && /^ +\(/ { print key ":" $0 }' <<<"$1"; }
program_folders() { find "$drive_c" -maxdepth 2 -path '*/Program Files*/Movikon PRO'; }
# Checks that one Movikon PRO of version $1 is installed: one program folder, one Start-menu entry, one entry
# among the installed programs, one Send-to shortcut, an Open-with entry for each video type and no video type's
# default program changed.
one_installation() {
    for file in movikon.exe data/conv.exe data/ffmpeg.exe platforms/qwindows.dll sound.wav Uninstall.exe; do
        [ -f "$installed/$file" ] || fail "the installer did not install $file"
    done
    [ "$(program_folders)" = "$installed" ] || fail "program folders: $(program_folders)"
    [ "$(shortcuts | wc -l)" = 1 ] && [ "$(basename "$(shortcuts)")" = 'Movikon PRO.lnk' ] ||
        fail "Start-menu entries: $(shortcuts)"
    [ "$(listed_versions)" = "$1" ] || fail "entries among the installed programs: $(listed_versions | xargs)"
    # A 64-bit program is listed in the registry's 64-bit view.
    "$wine" reg query "$uninstall_key\Movikon PRO" /v DisplayVersion >/dev/null ||
        fail "Movikon PRO is not listed in the 64-bit view of the installed programs"
    local program='C:\Program Files\Movikon PRO\movikon.exe' supported keys type
    [ "$(send_to_shortcuts | sed 's|.*/||')" = 'Movikon PRO.lnk' ] || fail "Send-to shortcuts: $(send_to_shortcuts)"
    strings "$(send_to_shortcuts)" | grep -qxF "$program" || fail "the Send-to shortcut does not start $program"
    "$wine" reg query "$application_key\shell\open\command" /ve | grep -qF "\"$program\" \"%1\"" ||
        fail "Movikon PRO is not registered to open files"
    supported=$({ "$wine" reg query "$application_key\SupportedTypes" || true; } | awk '/REG_SZ/ { print $1 }')
    [ "$(sort <<<"$supported")" = "$(awk '{ print "." $0 }' <<<"$video_types" | sort)" ] ||
        fail "the types Movikon PRO says it opens: $(xargs <<<"$supported")"
    keys=$(video_type_keys)
    for type in $video_types; do
        grep -qFx "HKEY_CLASSES_ROOT\\.$type\\OpenWithList\\movikon.exe" <<<"$keys" ||
            fail "Movikon PRO is not under Open with for .$type"
    done
    [ "$(default_programs "$keys")" = "$(default_programs "$keys_before")" ] || fail "the default programs changed:
$(diff <(default_programs "$keys_before") <(default_programs "$keys") || true)"
}

[ -z "$(program_folders)$(listed_versions)" ] || fail "Movikon PRO is installed already in $WINEPREFIX"
# A player holds two of the video types already: they keep their default program, and their keys stay.
for type in avi mkv; do
    "$wine" reg add "HKLM\\Software\\Classes\\.$type" /ve /d "OtherPlayer.$type" /f >/dev/null
done
keys_before=$(video_type_keys)
older=$(version_of "$older_setup")
newer=$(version_of "$setup")
"$wine" "$older_setup" /S || fail "the installer of $older ended with status $?"
one_installation "$older"
echo "installer test: $older installed, with a Start-menu entry, Send to, Open with and an uninstaller"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip="$work/holiday clip.avi"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=640x360:rate=25:duration=3 \
    -f lavfi -i sine=duration=3 -c:v mpeg4 -c:a libmp3lame "$clip"
videos=$(find "$drive_c/users" -mindepth 2 -maxdepth 2 -name Videos ! -path '*/Public/*' | head -1)
result="$videos/Movikon/holiday clip.mp4"
rm -f "$result"

start_program
within 30 has_window || fail "the installed program shows no window"
eval "$(xdotool getwindowgeometry --shell "$(window)")"
size=$(sed -n 's/.*\bkWindow{\([0-9]*\), \([0-9]*\)}.*/\1x\2/p' "$layout")
[ "${WIDTH}x$HEIGHT" = "$size" ] || fail "the window is ${WIDTH}x$HEIGHT, not $size"
convert_clip "$clip"
within 120 test -s "$result" || fail "no converted file in the user's output folder"
sleep 2
# Read whole before it is looked at: ffprobe writes a line at a time, and a reader that stops early kills it.
codecs=$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$result" | xargs)
[ "$codecs" = "h264 aac" ] || fail "the converted file holds $codecs, not H.264 video and AAC sound"
echo "installer test: the installed program converted a clip into $result"
click kExit
within 15 no_window || fail "the close mark did not end the program"
settings=$(find "$drive_c/users" -path '*/AppData/Roaming/Movikon/setup.ini' | head -1)
[ -n "$settings" ] || fail "no settings in the user's application data"

# A program that dies mid-file takes its encoder with it: conv.exe and ffmpeg.exe are in its job.
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=120 -c:v mpeg4 \
    "$work/long.avi"
# Starts the installed program and has it convert $1, until its encoder runs.
start_converting() {
    start_program
    within 30 has_window || fail "the installed program shows no window again"
    eval "$(xdotool getwindowgeometry --shell "$(window)")"
    convert_clip "$1"
    within 30 running data/ffmpeg.exe || fail "the encoder did not start"
}
start_converting "$work/long.avi"
kill -KILL $(pids_of movikon.exe)
within 15 encoders_gone || fail "conv.exe or ffmpeg.exe outlived the program"
echo "installer test: killed mid-file, the program left no encoder running"

# The session ends mid-file (a logout, a shutdown): Windows tells the program, then ends it. The encoder stops
# and the staging folder is emptied; the settings stay as they were.
start_converting "$work/long.avi"
staging=$(find "$drive_c/users" -type d -path '*movikon*/staging/slot-0' | head -1)
[ -n "$staging" ] && [ -n "$(ls -A "$staging")" ] || fail "nothing staged while converting"
settings_before=$(md5sum <"$settings")
"$wine" wineboot --end-session >/dev/null 2>&1 || true
within 15 no_window || fail "the end of the session did not end the program"
within 15 encoders_gone || fail "conv.exe or ffmpeg.exe outlived the session"
[ -z "$(ls -A "$staging")" ] || fail "the end of the session left $(ls -A "$staging") in the staging folder"
[ "$(md5sum <"$settings")" = "$settings_before" ] || fail "the end of the session changed the settings"
echo "installer test: the session ended mid-file; no encoder, nothing staged, the settings as they were"

# This version is installed over the earlier one while that converts: the installer closes the program (which
# stops its encoder and empties its staging folder) before it replaces a file, and leaves one installation of
# this version, exactly the folder of the zip, with the user's settings and converted files as they were.
start_converting "$work/long.avi"
[ -n "$(ls -A "$staging")" ] || fail "nothing staged while converting before the upgrade"
outputs_before=$(cd "$videos/Movikon" && ls -A | sort)
result_before=$(md5sum <"$result")
"$wine" "$setup" /S || fail "the installer of $newer, run over $older, ended with status $?"
no_window || fail "the program still shows its window after the upgrade"
# Wine lets go of a program's files as it ends, its Linux process a moment later.
within 15 program_gone || fail "the program still runs after the upgrade"
within 15 encoders_gone || fail "conv.exe or ffmpeg.exe still run after the upgrade"
[ -z "$(ls -A "$staging")" ] || fail "the upgrade left $(ls -A "$staging") in the staging folder"
one_installation "$newer"
unzip -q "$zip" -d "$work/zip"
package=$(echo "$work"/zip/*)
expected=$(cd "$package" && find . -type f | sort)
[ "$(cd "$installed" && find . -type f ! -name Uninstall.exe | sort)" = "$expected" ] ||
    fail "the upgraded folder does not hold the package's files: $(cd "$installed" && find . -type f | xargs)"
while IFS= read -r file; do
    cmp -s "$package/$file" "$installed/$file" || fail "the upgraded $file is not the package's"
done <<<"$expected"
[ "$(md5sum <"$settings")" = "$settings_before" ] || fail "the upgrade changed the settings"
[ "$(md5sum <"$result")" = "$result_before" ] && [ "$(cd "$videos/Movikon" && ls -A | sort)" = "$outputs_before" ] ||
    fail "the upgrade changed the user's output folder: $(ls -A "$videos/Movikon" | xargs)"
start_program
within 30 has_window || fail "the upgraded program shows no window"
eval "$(xdotool getwindowgeometry --shell "$(window)")"
click kExit
within 15 no_window || fail "the close mark did not end the upgraded program"
echo "installer test: $newer installed over $older while it converted; one installation, the user's files kept"

"$wine" "$installed/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
within 30 test ! -e "$installed/movikon.exe" || fail "the uninstaller left the program"
within 10 test ! -e "$installed" || fail "the uninstaller left $(ls "$installed")"
[ -z "$(shortcuts)" ] || fail "the uninstaller left the Start-menu entry $(shortcuts)"
[ -z "$(listed_versions)" ] || fail "the uninstaller left the entry among the installed programs"
[ -z "$(send_to_shortcuts)" ] || fail "the uninstaller left the Send-to shortcut $(send_to_shortcuts)"
! "$wine" reg query "$application_key" >/dev/null 2>&1 || fail "the uninstaller left $application_key"
[ "$(video_type_keys)" = "$keys_before" ] || fail "the uninstaller left the video types otherwise than it found them:
$(diff <(echo "$keys_before") <(video_type_keys) || true)"
[ -f "$settings" ] && [ -f "$result" ] || fail "the uninstaller took the user's settings or converted file"
echo "installer test: uninstalled; the user's settings and converted file stay"
