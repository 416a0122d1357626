#!/usr/bin/env bash
# tapvane on KWin (virtual backend, two 1280x720 outputs side by side): clicks through KWin's
# fake input reach native Wayland windows, once a desktop entry grants the program that input.
#   kwin_desktop.sh TEST TAPVANE WAYLAND_TARGET WORK_DIR
# A full-screen native window on each output logs its presses and releases.
# TEST: denied   without the desktop entry KWin offers no fake input: the program says it falls
#                back on XTest, the first Start tells that clicks reach only X11 windows, the
#                tip that F6 works only while an X11 window has the focus, and the run's clicks
#                do not reach the native window under the point
#       granted  with the entry (Exec= the program's path, X-KDE-Wayland-Interfaces=
#                org_kde_kwin_fake_input) clicks land exactly on both outputs
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_name=$1
tapvane=$2
wayland_target=$3
work=$4

rm -rf "$work"
mkdir -p "$work"
cd "$work"
# shellcheck source=SCRIPTDIR/wayland_session.sh
source "$here/wayland_session.sh"
started=$SECONDS

if [[ "$test_name" == granted ]]; then
  mkdir -p "$XDG_DATA_HOME/applications"
  cat >"$XDG_DATA_HOME/applications/org.clickora.tapvane-test.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=tapvane
Exec=$(readlink -f "$tapvane")
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
ENTRY
fi
start_kwin

start_wayland_target() {
  "$wayland_target" "$work/$1.log" "$2" 2>"$1.err" &
  pids+=($!)
  until_true 10 grep -q '^ready' "$1.log" 2>/dev/null \
    || fail "the $1 window did not come up: $(cat "$1.err")"
}
start_wayland_target left Virtual-0
start_wayland_target right Virtual-1
start_tapvane
# presses_are LOG N X Y: the window logged exactly N presses and N releases, all at X, Y.
presses_are() {
  local expected="" i
  for ((i = 0; i < $2; i++)); do expected+="press $3 $4"$'\n'"release $3 $4"$'\n'; done
  [[ "$(sed 1d "$1")" == "${expected%$'\n'}" ]]
}

case "$test_name" in
  denied)
    grep -qx 'tapvane: pointer input: xtest' tapvane.log || fail "route: $(cat tapvane.log)"
    # The first Start says that clicks reach only X11 windows; the run clicks all the same, and
    # the native window under the point gets nothing.
    type_run 100 650 2 0.01
    xdotool key space
    until_true 5 field_is Message "บนเซสชันนี้ คลิกจะไปถึงเฉพาะหน้าต่างของโปรแกรม X11 เท่านั้น และอ่านตำแหน่งเมาส์ได้เฉพาะเมื่ออยู่บนหน้าต่างเหล่านั้น" \
      || fail "no X11-only notice: '$(field Message)'"
    xdotool key Return
    # F6 through the X server alone: the tip says it works only while an X11 window has the focus.
    until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
    [[ "$(field Command4.ToolTip)" == "กด F6 เพื่อหยุด (เฉพาะเมื่อหน้าต่างของโปรแกรม X11 มีโฟกัส) — "* ]] \
      || fail "tooltip '$(field Command4.ToolTip)'"
    run_ends
    [[ $(wc -l <left.log) == 1 ]] || fail "the native window was clicked: $(cat left.log)"
    ;;

  granted)
    grep -qx 'tapvane: pointer input: kde-fake-input (then xtest)' tapvane.log \
      || fail "route: $(cat tapvane.log)"
    type_run 100 650 2 0.01
    press_start
    run_ends
    until_true 3 presses_are left.log 2 100 650 || fail "the left window logged: $(cat left.log)"
    # The second output, right of the primary, from a program started anew (the focus on Start).
    kill "$tapvane_pid"
    wait "$tapvane_pid" 2>/dev/null || true
    rm -f "$fields"
    start_tapvane
    type_run 1480 300 1 0.01
    press_start
    run_ends
    until_true 3 presses_are right.log 1 200 300 || fail "the right window logged: $(cat right.log)"
    until_true 3 presses_are left.log 2 100 650 || fail "the left window logged more: $(cat left.log)"
    ;;

  *)
    echo "unknown test $test_name" >&2
    exit 2
    ;;
esac
echo "PASS: kwin $test_name in $((SECONDS - started)) s"
