#!/usr/bin/env bash
# tapvane on desktops as users have them, each on a virtual X server of its own.
#   x11_desktop.sh TEST TAPVANE CLICK_TARGET WORK_DIR SEND_KEYS
# TEST: wm       under a window manager (openbox): the outer window, frame included, is 3720 by
#                4990 twips at its first show with its client area at the designed point, its
#                least and most size (WM_NORMAL_HINTS) are that size; a resize snaps back; a
#                minimized window stays minimized; restoring it brings the size back
#       wayland  in a Wayland session (weston, with XWayland, on the virtual X server): the window
#                comes up through XWayland although the session is Wayland's, asking for its place, the
#                read-out follows the pointer over an X window, the first Start says that clicks
#                reach only X11 windows before the run is armed, and the run clicks an X11 target
#       noxtest  on an X server without the XTEST extension: Start is refused with a message, the
#                window stays as it was and nothing is clicked
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_name=$1
tapvane=$2
click_target=$3
work=$4
send_keys=$5

[[ $test_name != noxtest ]] || xvfb_extra="-extension XTEST"

rm -rf "$work"
mkdir -p "$work"
cd "$work"
# shellcheck source=SCRIPTDIR/x11_session.sh
source "$here/x11_session.sh"

# The window's place and size as the X server has them, frame included: sets client_x, client_y
# (the client area's top-left on the screen, menu bar included), client_w, client_h and the
# frame's widths frame_l, frame_r, frame_t, frame_b (0 without a window manager).
read_geometry() {
  local info extents
  info=$(xwininfo -id "$window") || return 1
  client_x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
  client_y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
  client_w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  client_h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')
  IFS=', ' read -r frame_l frame_r frame_t frame_b <<<"${extents:-0, 0, 0, 0}"
}
geometry_text() {
  read_geometry || true
  echo "client ${client_w:-?}x${client_h:-?} at ${client_x:-?},${client_y:-?};" \
    "frame ${frame_l:-?} ${frame_r:-?} ${frame_t:-?} ${frame_b:-?}"
}
# 3720 by 4990 twips: 248 by 333 pixels at 96 DPI.
outer_size_right() {
  read_geometry && ((client_w + frame_l + frame_r == 248 && client_h + frame_t + frame_b == 333))
}
# The design's client area (5145, 4395 twips) with the menu bar above it: the same place as
# without a window manager.
at_designed_point() { read_geometry && ((client_x == 343 && client_y == 274)); }
hints_hold_size() {
  local hints
  read_geometry && hints=$(xprop -id "$window" WM_NORMAL_HINTS) \
    && grep -q "minimum size: $client_w by $client_h\$" <<<"$hints" \
    && grep -q "maximum size: $client_w by $client_h\$" <<<"$hints"
}
wm_state_is() { xprop -id "$window" WM_STATE 2>/dev/null | grep -q "window state: $1"; }

# Text4, Text5, Text6 and Text8 typed in: Start holds the focus; Tab visits Text2, Text4, Text5,
# Text6 and Text8 and selects a field's whole text, so typing replaces it.
type_run() {
  xdotool key --delay 50 Tab Tab
  xdotool type --delay 30 "$1"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$2"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$3"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$4"
  until_true 5 bash -c "grep -qx 'Text4=$1' '$fields' && grep -qx 'Text5=$2' '$fields' \
    && grep -qx 'Text6=$3' '$fields' && grep -qx 'Text8=$4' '$fields'" || fail "typed fields"
  xdotool key --delay 50 Tab Tab Tab  # the option group and Text1, back to Start
}

case "$test_name" in
  wm)
    openbox --sm-disable >openbox.log 2>&1 &
    pids+=($!)
    until_true 10 bash -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" \
      || fail "openbox did not start: $(cat openbox.log)"
    start_tapvane
    until_true 10 outer_size_right || fail "first show: $(geometry_text)"
    ((frame_t > 0)) || fail "no frame from the window manager: $(geometry_text)"
    at_designed_point || fail "first show not at the designed point: $(geometry_text)"
    # The least and the most size the window asks for are the client size the rule holds, so
    # that tiling window managers float it at that size.
    until_true 5 hints_hold_size || fail "size hints: $(xprop -id "$window" WM_NORMAL_HINTS)"
    sleep 0.5
    outer_size_right && at_designed_point || fail "after the first show: $(geometry_text)"
    import -window root "$work/wm.png"

    for size in "400 500" "100 80" "248 333"; do
      read -r w h <<<"$size"
      xdotool windowsize "$window" "$w" "$h"
      sleep 0.3
      until_true 5 outer_size_right || fail "resize to $w x $h did not snap back: $(geometry_text)"
    done
    at_designed_point || fail "moved by the resizes: $(geometry_text)"

    xdotool windowminimize --sync "$window"
    until_true 5 wm_state_is Iconic || fail "not minimized"
    sleep 1
    wm_state_is Iconic || fail "the window did not stay minimized"
    field_is Form.Caption Clickora || fail "caption while minimized"

    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowmap "$window"
    until_true 5 wm_state_is Normal || fail "not restored"
    until_true 5 outer_size_right || fail "restored at another size: $(geometry_text)"
    until_true 5 at_designed_point || fail "restored at another place: $(geometry_text)"
    kill -0 "$tapvane_pid" || fail "the program ended"
    ;;

  wayland)
    # The compositor as a window on the virtual X server gives a seat with a pointer, which
    # XWayland's XTEST needs; its headless backend has none.
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    weston --backend=x11-backend.so --use-pixman --width=1024 --height=768 --xwayland \
      --socket=wayland-tapvane --idle-time=0 >weston.log 2>&1 &
    pids+=($!)
    until_true 20 grep -q 'xserver listening on display' weston.log \
      || fail "weston did not start XWayland: $(tail -n 20 weston.log)"
    # The session as a desktop has it: Wayland's variables set, nothing asking for X11.
    host_display=$DISPLAY  # where weston shows its output
    export DISPLAY
    DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' weston.log | head -n1)
    export WAYLAND_DISPLAY=wayland-tapvane XDG_SESSION_TYPE=wayland
    unset QT_QPA_PLATFORM
    # Away from where weston puts the program's window, which may come to lie above it.
    "$click_target" "$work/clicks.txt" 600 400 120 120 &
    pids+=($!)
    until_true 20 test -s clicks.txt || fail "the click target did not come up"
    start_tapvane
    # NOTE: weston places every new window itself, whatever place it asks for; the window asks
    # for its designed one, as under an X11 window manager.
    until_true 10 bash -c "xprop -id $window WM_NORMAL_HINTS | grep -q 'location: 343, 274'" \
      || fail "the window asks for no place: $(xprop -id "$window" WM_NORMAL_HINTS)"
    # weston announces no frame: the client area has the whole size, and nothing of it is cut.
    until_true 10 outer_size_right || fail "size: $(geometry_text)"
    xdotool mousemove 610 420
    until_true 5 field_is Text2 " x : 610 , y :  420" || fail "read-out over an X window: '$(field Text2)'"
    xdotool windowfocus --sync "$window"
    type_run 650 450 3 0.01
    xdotool key space
    until_true 5 message_box || fail "the first Start showed no notice"
    field_is Message "บนเซสชันนี้ คลิกจะไปถึงเฉพาะหน้าต่างของโปรแกรม X11 เท่านั้น และอ่านตำแหน่งเมาส์ได้เฉพาะเมื่ออยู่บนหน้าต่างเหล่านั้น" \
      || fail "the notice: '$(field Message)'"
    sleep 0.3
    DISPLAY=$host_display import -window root "$work/wayland.png"
    [[ "$(cut -d' ' -f1 clicks.txt)" == 0 ]] || fail "a click before the notice was closed"
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Quorvel$' | head -n1)" key Return
    until_true 5 no_message_box || fail "the notice did not close"
    until_true 15 field_is Command4.Enabled True || fail "the run did not end"
    field_is Command4.Caption "โปรแกรมทำงานเสร็จ คลิกครบ  3  ครั้ง" || fail "finished caption"
    [[ "$(cut -d' ' -f1 clicks.txt)" == 3 ]] || fail "the target counted $(cut -d' ' -f1 clicks.txt) clicks, not 3"
    ;;

  noxtest)
    xdpyinfo -queryExtensions | grep -q XTEST && fail "the server has XTEST all the same"
    "$click_target" "$work/clicks.txt" 40 40 120 120 &
    pids+=($!)
    until_true 10 test -s clicks.txt || fail "the click target did not come up"
    start_tapvane
    # Without XTEST no input can be faked: the keys are sent to the window as events. Start
    # holds the focus; five Tabs reach Text8, three more come back to Start.
    "$send_keys" "$window" Tab Tab Tab Tab Tab 0 period 0 1
    until_true 5 field_is Text8 0.01 || fail "typed period: '$(field Text8)'"
    "$send_keys" "$window" Tab Tab Tab space
    until_true 5 message_box || fail "Start showed no message"
    field_is Message "เริ่มทำงานไม่ได้: ระบบนี้ไม่รับคลิกที่โปรแกรมส่ง" || fail "message '$(field Message)'"
    field_is Command4.Caption Start && field_is Command4.Enabled True && field_is Text7 1 \
      || fail "Start changed"
    "$send_keys" "$(xdotool search --onlyvisible --name '^Quorvel$' | head -n1)" Return
    until_true 5 no_message_box || fail "the message did not close"
    sleep 2  # more than three periods
    [[ "$(cut -d' ' -f1 clicks.txt)" == 0 ]] || fail "the target counted $(cut -d' ' -f1 clicks.txt) clicks"
    field_is Command4.Caption Start && field_is Command4.Enabled True \
      || fail "Start after the message"
    kill -0 "$tapvane_pid" || fail "the program ended"
    ;;

  *)
    echo "unknown test $test_name" >&2
    exit 2
    ;;
esac
echo "PASS: $test_name"
