#!/usr/bin/env bash
# tapvane on GNOME's mutter (headless, two virtual monitors side by side: Meta-0 1280x720 at 0,0
# and Meta-1 800x600 at 1280,0): clicks through mutter's RemoteDesktop, with a screen cast of
# each monitor, reach native Wayland windows.
#   mutter_desktop.sh TEST TAPVANE WAYLAND_TARGET WORK_DIR
# A full-screen native window on each monitor logs its presses and releases. The program's own
# window is on an X server of its own (mutter runs no XWayland here).
# TEST: clicks      clicks land exactly on both monitors
#       nopipewire  without PipeWire the session cannot start: the program says it falls back
#                   on XTest, and nothing of mutter's is clicked; the tip says that F6 works only
#                   while an X11 window has the focus
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_name=$1
tapvane=$2
wayland_target=$3
work=$4

# A document store that an earlier run's desktop portal left mounted in the folder would keep it.
awk -v work="$work/" 'index($2, work) == 1 {print $2}' /proc/mounts | xargs -r -n1 umount -l
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# shellcheck source=SCRIPTDIR/wayland_session.sh
source "$here/wayland_session.sh"
started=$SECONDS

if [[ "$test_name" == nopipewire ]]; then start_mutter nopipewire; else start_mutter; fi
start_xvfb

start_wayland_target() {
  "$wayland_target" "$work/$1.log" "$2" 2>"$1.err" &
  pids+=($!)
  until_true 10 grep -q '^ready' "$1.log" 2>/dev/null \
    || fail "the $1 window did not come up: $(cat "$1.err")"
}
start_wayland_target left Meta-0
start_wayland_target right Meta-1
start_tapvane
grep -qx 'tapvane: pointer input: mutter-remote-desktop (then xtest)' tapvane.log \
  || fail "route: $(cat tapvane.log)"
presses_are() {
  local expected="" i
  for ((i = 0; i < $2; i++)); do expected+="press $3 $4"$'\n'"release $3 $4"$'\n'; done
  [[ "$(sed 1d "$1")" == "${expected%$'\n'}" ]]
}

case "$test_name" in
  clicks)
    type_run 100 650 2 0.01
    press_start
    run_ends
    until_true 3 presses_are left.log 2 100 650 || fail "the left window logged: $(cat left.log)"
    # The second monitor, right of the primary, from a program started anew.
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

  nopipewire)
    type_run 100 650 1 0.01
    press_start
    # No shortcut service on GNOME: F6 through the X server, which the tip says.
    until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
    [[ "$(field Command4.ToolTip)" == "กด F6 เพื่อหยุด (เฉพาะเมื่อหน้าต่างของโปรแกรม X11 มีโฟกัส) — "* ]] \
      || fail "tooltip '$(field Command4.ToolTip)'"
    run_ends
    grep -qx 'tapvane: pointer input: mutter-remote-desktop failed, clicking through xtest' \
      tapvane.log || fail "no word of the fallback: $(cat tapvane.log)"
    [[ $(wc -l <left.log) == 1 && $(wc -l <right.log) == 1 ]] \
      || fail "a native window was clicked: $(cat left.log right.log)"
    ;;

  *)
    echo "unknown test $test_name" >&2
    exit 2
    ;;
esac
echo "PASS: mutter $test_name in $((SECONDS - started)) s"
