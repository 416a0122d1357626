#!/usr/bin/env bash
# tapvane on sway (headless, as nobody): clicks through the wlroots virtual pointer reach native
# Wayland windows, and the stop key is bound over sway's IPC for the run only.
#   sway_desktop.sh TEST TAPVANE WAYLAND_TARGET X_TARGET WORK_DIR
# Two outputs: HEADLESS-1 (1280x720 at 0,0, the primary) and HEADLESS-2 (1600x1200 at -800,100,
# scale 2: 800x600 of the layout). A native window fills each: tiled on HEADLESS-1, full screen
# on HEADLESS-2; tapvane floats above the first.
# TEST: clicks     3 clicks at a point of the primary land exactly there on the Wayland window,
#                  3 presses and 3 releases; the program names its route; its window floats at
#                  its designed size
#       scaled     a point on the negative, scaled output lands there
#       xwayland   a point over an X11 window (XWayland) lands on it, not on the Wayland window
#                  beneath
#       stopkey    F6 (pressed with wtype) stops a run, bound over sway's IPC; after the run
#                  sway runs nothing for F6
#       stopkey_taken  the user's own F6 binding: the tooltip says the key is taken, and the
#                  binding survives the run
#       stopkey_exit  File > Exit during a run gives F6 back to sway all the same
#       pick       F8, then a click (sway's own seat cursor) on each output: X and Y hold the
#                  point from the primary's top-left, and the window beneath gets no button;
#                  the right button and Esc cancel; the surfaces go at the pick and the cancel
#       pick_windows  the same with full-screen windows for surfaces, as on the desktops that
#                  offer no layer shell
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_name=$1
tapvane=$2
wayland_target=$3
x_target=$4
work=$5

# A document store that an earlier run's desktop portal left mounted in the folder would keep it.
awk -v work="$work/" 'index($2, work) == 1 {print $2}' /proc/mounts | xargs -r -n1 umount -l
rm -rf "$work"
mkdir -p "$work"
chmod 755 "$work"
cd "$work"
# shellcheck source=SCRIPTDIR/wayland_session.sh
source "$here/wayland_session.sh"
started=$SECONDS

cat >sway.conf <<'CONF'
output HEADLESS-1 resolution 1280x720 position 0 0
xwayland force
default_border none
default_floating_border none
focus_on_window_activation none
CONF
[[ "$test_name" == stopkey_taken ]] && echo 'bindsym F6 exec touch '"$runtime"'/users-f6' >>sway.conf
chmod 644 sway.conf
start_sway "$work/sway.conf"
swaymsg -q create_output
swaymsg -q -- output HEADLESS-2 resolution 1600x1200 position -800 100 scale 2
sway_x_display

# The native windows, each logging its presses and releases with surface coordinates.
start_wayland_target() {
  "$wayland_target" "$work/$1.log" "$2" 2>"$1.err" &
  pids+=($!)
  until_true 10 grep -q '^ready' "$1.log" 2>/dev/null || fail "the $1 window did not come up: $(cat "$1.err")"
}
start_wayland_target primary tiled
start_wayland_target scaled HEADLESS-2
grep -qx 'ready 800 600' scaled.log || fail "the scaled window: $(head -n1 scaled.log)"
[[ "$test_name" == pick_windows ]] && export CLICKORA_PICK_WINDOWS=1
start_tapvane
grep -q 'pointer input: wlr-virtual-pointer' tapvane.log || fail "route: $(cat tapvane.log)"
# sway knows the window a moment after the X server has it.
focus_tapvane() { swaymsg -q "[title=\"^Clickora\$\"] focus" 2>/dev/null; }
until_true 5 focus_tapvane || fail "sway does not know the window: $(swaymsg -t get_tree)"

# presses_are LOG N X Y: the window logged exactly N presses and N releases, all at X, Y.
presses_are() {
  local expected="" i
  for ((i = 0; i < $2; i++)); do expected+="press $3 $4"$'\n'"release $3 $4"$'\n'; done
  [[ "$(sed 1d "$1")" == "${expected%$'\n'}" ]]
}

# The node of a window in sway's tree, by its title, as JSON: whether it floats, and its
# geometry; nothing while there is none.
sway_node() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node, floating):
    if node.get("name") == sys.argv[1]:
        print(json.dumps({"floating": floating, "geometry": node["geometry"], "rect": node["rect"]}))
    for child in node.get("nodes", []):
        walk(child, False)
    for child in node.get("floating_nodes", []):
        walk(child, True)
walk(json.load(sys.stdin), False)' "$1"
}

case "$test_name" in
  clicks)
    node=$(sway_node Clickora)
    python3 -c 'import json,sys; n=json.loads(sys.argv[1]); g=n["geometry"]
sys.exit(0 if n["floating"] and (g["width"], g["height"]) == (248, 333) else 1)' "$node" \
      || fail "the window is tiled or stretched: $node"
    type_run 100 640 3 0.01
    press_start
    run_ends
    field_is Command4.Caption "โปรแกรมทำงานเสร็จ คลิกครบ  3  ครั้ง" || fail "finished caption"
    until_true 3 presses_are primary.log 3 100 640 || fail "the Wayland window logged: $(cat primary.log)"
    [[ $(wc -l <scaled.log) == 1 ]] || fail "the scaled output's window was clicked"
    ;;

  scaled)
    # -600,300 of the layout: 200,200 into the output at -800,100.
    type_run -600 300 1 0.01
    press_start
    run_ends
    until_true 3 presses_are scaled.log 1 200 200 || fail "the scaled window logged: $(cat scaled.log)"
    [[ $(wc -l <primary.log) == 1 ]] || fail "the primary's window was clicked"
    ;;

  xwayland)
    "$x_target" "$work/clicks.txt" 900 50 200 200 &
    pids+=($!)
    until_true 10 test -s clicks.txt || fail "the X click target did not come up"
    # An unmanaged (override-redirect) X window: sway shows it where it asks, above the rest.
    xrandr --listactivemonitors >xrandr.txt
    sleep 0.3
    focus_tapvane
    type_run 1000 150 2 0.01
    press_start
    run_ends
    [[ "$(cut -d' ' -f1 clicks.txt)" == 2 ]] || fail "the X target counted $(cat clicks.txt)"
    [[ $(wc -l <primary.log) == 1 ]] || fail "the Wayland window beneath was clicked: $(cat primary.log)"
    ;;

  stopkey | stopkey_taken | stopkey_exit)
    # Every binding that sway runs, from now on.
    swaymsg -m -t subscribe '["binding"]' >bindings.log 2>&1 &
    pids+=($!)
    bindings() { grep -c '"change"' bindings.log || true; }
    sleep 0.2
    if [[ "$test_name" == stopkey_exit ]]; then
      type_run 100 640 100 0.02
      press_start
      until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
      # File > Exit: the menu bar's first item, its third entry.
      eval "$(xdotool getwindowgeometry --shell "$window")"
      xdotool mousemove $((X + 20)) $((Y + 10)) click 1
      sleep 0.3
      xdotool key --delay 50 Down Down Down Return
      until_true 5 bash -c "! kill -0 $tapvane_pid 2>/dev/null" || fail "File > Exit did not end the program"
      wtype -k F6
      sleep 0.5
      [[ $(bindings) == 0 ]] || fail "F6 is still bound after the program ended: $(cat bindings.log)"
    elif [[ "$test_name" == stopkey ]]; then
      type_run 100 640 100 0.02
      press_start
      until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
      [[ "$(field Command4.ToolTip)" == "กด F6 เพื่อหยุด — "* ]] || fail "tooltip '$(field Command4.ToolTip)'"
      until_true 5 grep -q '^press' primary.log || fail "no click before the key"
      wtype -k F6
      run_ends 5
      [[ "$(field Command4.Caption)" == "หยุดแล้ว คลิกไป  "* ]] \
        || fail "stopped caption '$(field Command4.Caption)'"
      count=$(grep -c '^press' primary.log)
      [[ $(bindings) == 1 ]] || fail "sway ran $(bindings) bindings for one F6"
      sleep 2.5  # more than two periods
      [[ $(grep -c '^press' primary.log) == "$count" ]] || fail "clicks after F6"
      # Unbound after the run: sway runs nothing for the key.
      wtype -k F6
      sleep 0.5
      [[ $(bindings) == 1 ]] || fail "F6 is still bound after the run: $(cat bindings.log)"
      kill -0 "$tapvane_pid" || fail "the program ended"
    else
      type_run 100 640 2 0.01
      press_start
      until_true 5 bash -c "grep -q '^Command4.ToolTip=.' '$fields'" || fail "no tooltip during the run"
      [[ "$(field Command4.ToolTip)" == "ใช้ปุ่ม F6 หยุดไม่ได้: โปรแกรมอื่นใช้ปุ่มนี้อยู่ — "* ]] \
        || fail "tooltip '$(field Command4.ToolTip)'"
      run_ends
      until_true 3 presses_are primary.log 2 100 640 || fail "the run: $(cat primary.log)"
      # The user's binding is the one sway still runs.
      wtype -k F6
      until_true 5 test -e "$runtime/users-f6" || fail "the user's own F6 binding did not run"
    fi
    ;;

  pick | pick_windows)
    # seat_click X Y BUTTON: a press and release at a point of the layout, through sway's seat.
    # NOTE: sway's "cursor set" takes a place in the layout's bounding box, whose top-left is
    # -800,0 here.
    seat_click() {
      swaymsg -q seat seat0 cursor set $(($1 + 800)) "$2"
      swaymsg -q seat seat0 cursor press "$3"
      swaymsg -q seat seat0 cursor release "$3"
    }
    # The pick's surfaces show nothing that sway reports: a moment for them to come up.
    # sway gives the keyboard: a click on a native window took it from tapvane's.
    start_pick() {
      focus_tapvane
      xdotool windowfocus --sync "$window"
      xdotool key F8
      sleep 0.5
      if [[ "$test_name" == pick_windows ]]; then
        [[ -n "$(sway_node 'tapvane pick')" ]] || fail "no full-screen pick window: $(swaymsg -t get_tree)"
      fi
    }
    picked_is() { until_true 5 bash -c "grep -qx -- 'Text4=$1' '$fields' && grep -qx -- 'Text5=$2' '$fields'"; }
    start_pick
    seat_click 100 640 button1
    picked_is 100 640 || fail "the pick on the primary: $(grep '^Text[45]=' "$fields")"
    # 200,200 into the output at -800,100 (scale 2).
    start_pick
    seat_click -600 300 button1
    picked_is -600 300 || fail "the pick on the scaled output: $(grep '^Text[45]=' "$fields")"
    [[ $(wc -l <primary.log) == 1 && $(wc -l <scaled.log) == 1 ]] \
      || fail "a window beneath the pick got a button: $(cat primary.log scaled.log)"
    # Each cancel leaves the point, and the surfaces go: the next click reaches the window
    # beneath, which got nothing of the cancelling click.
    start_pick
    seat_click 100 600 button3
    sleep 0.3
    seat_click 100 600 button1
    until_true 3 presses_are primary.log 1 100 600 || fail "after the right button: $(cat primary.log)"
    start_pick
    # NOTE: wtype's keyboard is the seat's first: a moment for the pick to take it before the key.
    wtype -s 300 -k Escape
    sleep 0.3
    seat_click 100 600 button1
    until_true 3 presses_are primary.log 2 100 600 || fail "after Esc: $(cat primary.log)"
    picked_is -600 300 || fail "a cancel changed the point: $(grep '^Text[45]=' "$fields")"
    ;;

  *)
    echo "unknown test $test_name" >&2
    exit 2
    ;;
esac
echo "PASS: sway $test_name in $((SECONDS - started)) s"
