#!/usr/bin/env bash
# Installs Movikon PRO under wine from its installer, silently; starts the installed program on the display,
# queues a clip through its Open Files dialog and converts it into the user's output folder, as a person
# would; ends it mid-file by force and by the end of the session; then uninstalls it: the program is gone, the
# user's settings and converted file stay.
# Needs WINEPREFIX and DISPLAY (scripts/windows.sh test sets them). Usage: windows-installer-test.sh SETUP.EXE
set -euo pipefail
setup=$1
drive_c=$WINEPREFIX/drive_c
installed="$drive_c/Program Files/Movikon PRO"
fail() { echo "installer test: $*" >&2; exit 1; }
windows() { printf 'Z:%s' "$1" | tr / '\\'; }
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

wine "$setup" /S
for file in movikon.exe data/conv.exe data/ffmpeg.exe platforms/qwindows.dll sound.wav Uninstall.exe; do
    [ -f "$installed/$file" ] || fail "the installer did not install $file"
done
find "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" -name 'Movikon PRO.lnk' | grep -q . ||
    fail "no Start-menu entry"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Movikon PRO' >/dev/null 2>&1 ||
    fail "not listed among the installed programs"
echo "installer test: installed, with a Start-menu entry and an uninstaller"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip="$work/holiday clip.avi"
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=640x360:rate=25:duration=3 \
    -f lavfi -i sine=duration=3 -c:v mpeg4 -c:a libmp3lame "$clip"
videos=$(find "$drive_c/users" -mindepth 2 -maxdepth 2 -name Videos ! -path '*/Public/*' | head -1)
result="$videos/Movikon/holiday clip.mp4"
rm -f "$result"

wine 'C:\Program Files\Movikon PRO\movikon.exe' >/dev/null 2>&1 &
within 30 has_window || fail "the installed program shows no window"
eval "$(xdotool getwindowgeometry --shell "$(window)")"
[ "$WIDTH" = 294 ] && [ "$HEIGHT" = 420 ] || fail "the window is ${WIDTH}x$HEIGHT, not 294x420"
xdotool mousemove $((X + 60)) $((Y + 57)) click 1 # 添加文件
sleep 4
xdotool type --delay 20 "$(windows "$clip")"
xdotool key Return
sleep 2
xdotool mousemove $((X + 245)) $((Y + 57)) click 1 # 开始转换
within 120 test -s "$result" || fail "no converted file in the user's output folder"
sleep 2
ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$result" | grep -q h264 ||
    fail "the converted file holds no H.264 video"
echo "installer test: the installed program converted a clip into $result"
xdotool mousemove $((X + 281)) $((Y + 12)) click 1 # the close mark
within 15 no_window || fail "the close mark did not end the program"
settings=$(find "$drive_c/users" -path '*/AppData/Roaming/Movikon/setup.ini' | head -1)
[ -n "$settings" ] || fail "no settings in the user's application data"

# A program that dies mid-file takes its encoder with it: conv.exe and ffmpeg.exe are in its job.
running() { grep -ls "$1" /proc/[0-9]*/cmdline 2>/dev/null | grep -q .; }
encoders_gone() { ! running 'conv\.exe' && ! running 'ffmpeg\.exe'; }
ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=640x480:rate=25:duration=120 -c:v mpeg4 \
    "$work/long.avi"
# Starts the installed program and has it convert $1, until its encoder runs.
start_converting() {
    wine 'C:\Program Files\Movikon PRO\movikon.exe' >/dev/null 2>&1 &
    within 30 has_window || fail "the installed program shows no window again"
    eval "$(xdotool getwindowgeometry --shell "$(window)")"
    xdotool mousemove $((X + 60)) $((Y + 57)) click 1 # 添加文件
    sleep 4
    xdotool type --delay 20 "$(windows "$1")"
    xdotool key Return
    sleep 2
    xdotool mousemove $((X + 245)) $((Y + 57)) click 1 # 开始转换
    within 30 running 'ffmpeg\.exe' || fail "the encoder did not start"
}
start_converting "$work/long.avi"
pkill -KILL -f 'Movikon PRO.movikon\.exe'
within 15 encoders_gone || fail "conv.exe or ffmpeg.exe outlived the program"
echo "installer test: killed mid-file, the program left no encoder running"

# The session ends mid-file (a logout, a shutdown): Windows tells the program, then ends it. The encoder stops
# and the staging folder is emptied; the settings stay as they were.
start_converting "$work/long.avi"
staging=$(find "$drive_c/users" -type d -path '*movikon*/staging/slot-0' | head -1)
[ -n "$staging" ] && [ -n "$(ls -A "$staging")" ] || fail "nothing staged while converting"
settings_before=$(md5sum <"$settings")
wineboot --end-session >/dev/null 2>&1 || true
within 15 no_window || fail "the end of the session did not end the program"
within 15 encoders_gone || fail "conv.exe or ffmpeg.exe outlived the session"
[ -z "$(ls -A "$staging")" ] || fail "the end of the session left $(ls -A "$staging") in the staging folder"
[ "$(md5sum <"$settings")" = "$settings_before" ] || fail "the end of the session changed the settings"
echo "installer test: the session ended mid-file; no encoder, nothing staged, the settings as they were"

wine "$installed/Uninstall.exe" /S
within 30 test ! -e "$installed/movikon.exe" || fail "the uninstaller left the program"
within 10 test ! -e "$installed" || fail "the uninstaller left $(ls "$installed")"
[ -f "$settings" ] && [ -f "$result" ] || fail "the uninstaller took the user's settings or converted file"
echo "installer test: uninstalled; the user's settings and converted file stay"
