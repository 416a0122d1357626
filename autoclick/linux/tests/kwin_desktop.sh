#!/usr/bin/env bash
# tapvane on KWin (virtual backend, two 1280x720 outputs side by side): clicks through KWin's
# fake input reach native Wayland windows, once a desktop entry grants the program that input.
#   kwin_desktop.sh TEST TAPVANE WAYLAND_TARGET WORK_DIR KEY_HELPER
# A full-screen native window on each output logs its presses and releases.
# TEST: denied   without the desktop entry KWin offers no fake input: the program says it falls
#                back on XTest, the first Start tells that clicks reach only X11 windows, and the
#                run's clicks do not reach the native window under the point
#       granted  with the entry (Exec= the program's path, X-KDE-Wayland-Interfaces=
#                org_kde_kwin_fake_input) clicks land exactly on both outputs
#       stopkey  F6 (pressed through KWin's fake input by KEY_HELPER) stops a run through KDE's
#                shortcut service; after the run the program holds F6 no more
#       stopkey_taken  F6 held by another component: the tip says the key is taken, and F6 does
#                not stop the run
#       readout  the read-out follows the pointer over native windows on both outputs (a KWin
#                script of the program's reports every move), and File > Exit unloads the script
#       portal   without the entry, through the desktop portal (xdg-desktop-portal with its KDE
#                backend and PipeWire, which grant an unsandboxed program without a dialog):
#                clicks land exactly on both outputs, the session asked for once
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_name=$1
tapvane=$2
wayland_target=$3
work=$4
key_helper=$5

# A document store that an earlier run's desktop portal left mounted in the folder would keep it.
awk -v work="$work/" 'index($2, work) == 1 {print $2}' /proc/mounts | xargs -r -n1 umount -l
rm -rf "$work"
mkdir -p "$work"
cd "$work"
# shellcheck source=SCRIPTDIR/wayland_session.sh
source "$here/wayland_session.sh"
started=$SECONDS

# grant PROGRAM: a desktop entry that gives PROGRAM KWin's fake input.
grant() {
  mkdir -p "$XDG_DATA_HOME/applications"
  cat >"$XDG_DATA_HOME/applications/org.clickora.$(basename "$1")-test.desktop" <<ENTRY
[Desktop Entry]
Type=Application
Name=$(basename "$1")
Exec=$(readlink -f "$1")
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
ENTRY
}
if [[ "$test_name" != denied && "$test_name" != portal ]]; then
  grant "$tapvane"
  grant "$key_helper"
fi
start_kwin
if [[ "$test_name" == portal ]]; then
  # The portal and its KDE backend in KWin's session, known to the test's session cleanup.
  for service in pipewire "/usr/lib/$(gcc -print-multiarch)/libexec/xdg-desktop-portal-kde" \
    /usr/libexec/xdg-desktop-portal; do
    # NOTE: the KDE backend on X11 (Qt's choice while DISPLAY is set) finds none of KWin's
    # screen-cast and fake-input globals and refuses every session.
    CLICKORA_TEST_SESSION="$work" XDG_CURRENT_DESKTOP=KDE XDG_SESSION_TYPE=wayland \
      QT_QPA_PLATFORM=wayland "$service" >"$(basename "$service").log" 2>&1 &
    pids+=($!)
  done
  until_true 20 bash -c "dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.ListNames | grep -q '\"org.freedesktop.portal.Desktop\"'" \
    || fail "no desktop portal: $(cat xdg-desktop-portal.log)"
  # The earlier routes off: the portal is the one clicking.
  export CLICKORA_INPUT_OFF=wlr-virtual-pointer,kde-fake-input,mutter-remote-desktop
fi

start_wayland_target() {
  "$wayland_target" "$work/$1.log" "$2" 2>"$1.err" &
  pids+=($!)
  until_true 10 grep -q '^ready' "$1.log" 2>/dev/null \
    || fail "the $1 window did not come up: $(cat "$1.err")"
}
if [[ "$test_name" == stopkey_taken ]]; then
  # Another program's shortcut on F6 (Qt's key code of F6), set through the same service.
  other="['other-program', 'stop', 'Other program', 'Stop']"
  gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
    --method org.kde.KGlobalAccel.doRegister "$other" >/dev/null || fail "doRegister"
  gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
    --method org.kde.KGlobalAccel.setShortcut "$other" "[16777269]" 6 >other.txt \
    || fail "setShortcut"
  grep -q 16777269 other.txt || fail "the other program did not get F6: $(cat other.txt)"
fi
start_wayland_target left Virtual-0
start_wayland_target right Virtual-1
start_tapvane
# answer_notice: Return to the message box, once it has the keyboard (not the main window).
answer_notice() {
  until_true 5 bash -c "[[ \$(xdotool getactivewindow) != $window ]]" || fail "no message box"
  xdotool key Return
}
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
    # F6 all the same, through KDE's shortcut service.
    until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
    [[ "$(field Command4.ToolTip)" == "กด F6 เพื่อหยุด — "* ]] || fail "tooltip '$(field Command4.ToolTip)'"
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

  stopkey)
    type_run 100 650 100 0.02
    press_start
    until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
    [[ "$(field Command4.ToolTip)" == "กด F6 เพื่อหยุด — "* ]] || fail "tooltip '$(field Command4.ToolTip)'"
    until_true 5 grep -q '^press' left.log || fail "no click before the key"
    "$key_helper" key 64 || fail "the key helper"
    run_ends 5
    [[ "$(field Command4.Caption)" == "หยุดแล้ว คลิกไป  "* ]] \
      || fail "stopped caption '$(field Command4.Caption)'"
    count=$(grep -c '^press' left.log)
    sleep 2.5  # more than two periods
    [[ $(grep -c '^press' left.log) == "$count" ]] || fail "clicks after F6"
    # Given back: KDE's shortcut service knows no shortcut of the program's any more.
    gdbus call --session --dest org.kde.kglobalaccel --object-path /kglobalaccel \
      --method org.kde.KGlobalAccel.allMainComponents >components.txt
    grep -q clickora-tapvane components.txt && fail "still registered: $(cat components.txt)"
    kill -0 "$tapvane_pid" || fail "the program ended"
    ;;

  stopkey_taken)
    type_run 100 650 3 0.01
    press_start
    until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
    [[ "$(field Command4.ToolTip)" == "ใช้ปุ่ม F6 หยุดไม่ได้: โปรแกรมอื่นใช้ปุ่มนี้อยู่ — "* ]] \
      || fail "tooltip '$(field Command4.ToolTip)'"
    "$key_helper" key 64 || fail "the key helper"
    run_ends
    [[ "$(field Command4.Caption)" == "โปรแกรมทำงานเสร็จ คลิกครบ  3  ครั้ง" ]] \
      || fail "F6 stopped the run: '$(field Command4.Caption)'"
    ;;

  readout)
    for point in "1480 300" "100 650" "1279 0"; do
      read -r x y <<<"$point"
      "$key_helper" move "$x" "$y" || fail "the pointer helper"
      until_true 5 field_is Text2 " x : $x , y :  $y" || fail "read-out '$(field Text2)' for $x, $y"
    done
    gdbus call --session --dest org.kde.KWin --object-path /Scripting \
      --method org.kde.kwin.Scripting.isScriptLoaded "clickora-cursor-watch-$tapvane_pid" \
      | grep -q true || fail "the program's KWin script is not loaded"
    # File > Exit: the menu bar's first item, its third entry.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + 20)) $((Y + 10)) click 1
    sleep 0.3
    xdotool key --delay 50 Down Down Down Return
    until_true 5 bash -c "! kill -0 $tapvane_pid 2>/dev/null" || fail "File > Exit did not end the program"
    gdbus call --session --dest org.kde.KWin --object-path /Scripting \
      --method org.kde.kwin.Scripting.isScriptLoaded "clickora-cursor-watch-$tapvane_pid" \
      | grep -q false || fail "the program's KWin script outlived it"
    ;;

  portal)
    grep -qx 'tapvane: pointer input: portal-remote-desktop (then xtest)' tapvane.log \
      || fail "route: $(cat tapvane.log)"
    # The first Start says why the desktop may ask; one session serves both clicks.
    type_run 100 650 2 0.01
    xdotool key space
    until_true 5 field_is Message "เดสก์ท็อปจะถามว่าอนุญาตให้โปรแกรมนี้ควบคุมตัวชี้เมาส์หรือไม่ โปรดอนุญาต เพื่อให้คลิกไปถึงทุกหน้าต่าง รวมถึงหน้าต่างของโปรแกรม Wayland" \
      || fail "no consent notice: '$(field Message)'"
    answer_notice
    until_true 5 presses_are left.log 2 100 650 || fail "the left window logged: $(cat left.log)"
    run_ends
    grep -q 'failed' tapvane.log && fail "a route failed: $(cat tapvane.log)"
    # The second output, right of the primary, from a program started anew (the focus on Start).
    kill "$tapvane_pid"
    wait "$tapvane_pid" 2>/dev/null || true
    rm -f "$fields"
    start_tapvane
    type_run 1480 300 1 0.01
    xdotool key space
    until_true 5 bash -c "grep -q '^Message=.' '$fields'" || fail "no consent notice"
    answer_notice
    until_true 5 presses_are right.log 1 200 300 || fail "the right window logged: $(cat right.log)"
    run_ends
    until_true 3 presses_are left.log 2 100 650 || fail "the left window logged more: $(cat left.log)"
    grep -q 'failed' tapvane.log && fail "a route failed: $(cat tapvane.log)"
    ;;

  *)
    echo "unknown test $test_name" >&2
    exit 2
    ;;
esac
echo "PASS: kwin $test_name in $((SECONDS - started)) s"
