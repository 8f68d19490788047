#!/usr/bin/env bash
# One session with the Windows program under wine, driven as a user drives it: verid.exe,
# installed in C:\Verid of the test prefix with a settings file in CP932 beside it, opens a
# picture of a Japanese-named folder, previews it, copies it to registered folder 1,
# deletes it to the recycle bin, writes Verid.lnk to the desktop and exits, leaving
# verid.ini written. Every step is checked on disk. Run by scripts/test-windows inside a
# virtual display with a window manager:
#   tests/windows/journey.sh <verid.exe> <samples folder> <work folder>
set -euo pipefail
exe="$1" samples="$2" work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
: "${WINEPREFIX:?}" "${VERID_WINE_HOME:?}"
drive_c="$WINEPREFIX/drive_c"
step() { printf '  journey: %s\n' "$*"; }
fail() {
  printf 'journey FAILED: %s\n' "$*" >&2
  import -window root "$work/journey-failed.png" 2>/dev/null || true
  echo "screen: $work/journey-failed.png" >&2
  exit 1
}
# Waits up to $1 seconds for the command to succeed.
wait_for() {
  local limit="$1"
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}
window_up() { xdotool search --name '^Verid$' >/dev/null 2>&1; }
# The main window takes the keys (a message box, once up, has the focus of its own).
keys() {
  local id
  id="$(xdotool search --name '^Verid$' | head -1)"
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id"
  xdotool key --delay 150 "$@"
}
colours() { import -window root "$work/screen.png" 2>/dev/null && identify -format '%k' "$work/screen.png"; }
many_colours() { [ "$(colours || echo 0)" -gt "$1" ]; }

program_dir="$drive_c/Verid"
pictures="$drive_c/写真"
target="$drive_c/コピー先"
rm -rf "$program_dir" "$pictures" "$target" "$VERID_WINE_HOME/.local/share/Trash"
mkdir -p "$program_dir" "$pictures" "$target"
cp "$exe" "$program_dir/verid.exe"
cp "$samples"/* "$pictures/"
cp "$samples/sunset.jpg" "$pictures/夕焼け.jpg"
# The settings as the program writes them: CP932, CRLF. Deleting asks nothing, and the
# first-run hint has been shown.
printf '[コピー]\r\n1=C:\\コピー先\r\n[削除]\r\n方法=1\r\n確認=1\r\n[Property]\r\nInfo=0\r\n' |
  iconv -f UTF-8 -t CP932 >"$program_dir/verid.ini"
for desktop in "$drive_c"/users/*/Desktop "$VERID_WINE_HOME/Desktop"; do
  rm -f "$desktop/Verid.lnk"
done

step "start with C:\\写真\\夕焼け.jpg"
"$root/scripts/wine-run" 'C:\Verid\verid.exe' 'C:\写真\夕焼け.jpg' >"$work/verid.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true' EXIT
wait_for 90 window_up || fail "no main window"
# The preview draws the picture: the screen then holds far more colours than the window.
wait_for 30 many_colours 200 || fail "no preview (colours: $(colours))"
cp "$work/screen.png" "$work/journey-preview.png"

step "copy to registered folder 1 (ﾌｧｲﾙ > 指定ﾌｫﾙﾀﾞにｺﾋﾟｰ > 1)"
keys alt+f c Return
wait_for 20 test -f "$target/夕焼け.jpg" || fail "no copy in C:\\コピー先"
cmp -s "$target/夕焼け.jpg" "$samples/sunset.jpg" || fail "the copy differs"
sleep 0.5
xdotool key Return  # "ｺﾋﾟｰしました"

step "delete to the recycle bin (ﾌｧｲﾙ > 削除)"
keys alt+f d
wait_for 20 test ! -e "$pictures/夕焼け.jpg" || fail "the file was not deleted"
trash="$VERID_WINE_HOME/.local/share/Trash/files"
wait_for 10 test -f "$trash/夕焼け.jpg" || fail "the file is not in the recycle bin ($trash)"
cmp -s "$trash/夕焼け.jpg" "$samples/sunset.jpg" || fail "the recycled file differs"

step "shortcut on the desktop (ｵﾌﾟｼｮﾝ > ｼｮｰﾄｶｯﾄの作成 > ﾃﾞｽｸﾄｯﾌﾟに作成)"
keys alt+o m d
link_written() {
  for desktop in "$drive_c"/users/*/Desktop "$VERID_WINE_HOME/Desktop"; do
    [ -f "$desktop/Verid.lnk" ] && { link="$desktop/Verid.lnk"; return 0; }
  done
  return 1
}
wait_for 20 link_written || fail "no Verid.lnk on the desktop"
# A shell link names its target; the program's folder and "Verid.exe" are in it.
grep -aqi 'verid.exe' "$link" || strings -el "$link" | grep -qi 'verid.exe' ||
  fail "Verid.lnk does not point at verid.exe"

step "exit (ﾌｧｲﾙ > 終了)"
keys alt+f x
exited() { ! kill -0 "$pid" 2>/dev/null; }
wait_for 30 exited || fail "the program did not exit"
trap - EXIT
wait "$pid" || true
ini="$(iconv -f CP932 -t UTF-8 "$program_dir/verid.ini")" || fail "verid.ini is not CP932"
grep -q '^1=C:\\コピー先' <<<"$ini" || fail "verid.ini lost copy folder 1"
grep -q '^\[指定検索\]' <<<"$ini" || fail "verid.ini was not written whole"
grep -q '^Info=0' <<<"$ini" || fail "verid.ini lacks [Property] Info=0"
step "all steps done"
