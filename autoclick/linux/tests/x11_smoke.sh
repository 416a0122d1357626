#!/usr/bin/env bash
# Smoke tests of tapvane on a virtual X server of their own.
#   x11_smoke.sh TEST TAPVANE CLICK_TARGET WORK_DIR [GRAB_KEY]
# TEST: window   the window comes up as "Clickora" at its place and size; a screenshot is saved
#       readout  the pointer read-out follows the pointer
#       clickrun a run of 3 clicks at a 0.01-minute period, typed in, clicks a target 3 times
#       nocontrol without libhorolon.so beside it, tapvane says which class and file it lacks,
#                and ends with exit code 3 once the message is closed
#       menus    Manual > Manual and F1 open the manual in the help window; File > Exit ends
#                the program with exit code 0
#       help     the help window shows the manual's title and first heading and follows its
#                links; F1 opens it from the file dialog and from a message box as well
#       nomanual without the manual beside it, F1 says so in Thai in a message box of the program's
#                own, and the program goes on
#       settings Save and Open through the real file dialog: the design values give the 19-byte
#                file, Open reads a file back, a cancelled dialog changes nothing, and a field of
#                40,000 characters and texts longer than the typing limits are saved back whole
#       doubleclick a run of 3 double clicks, told from single clicks by the target
#       periods  periods out of range are refused in the program's own message box, and the
#                program goes on
#       longrun  a run of 200 clicks at the shortest periods is counted exactly
#       stopkey  a run of 1,000 clicks at a 0.01-minute period is stopped by F6 pressed while the
#                click target has the focus: no click after it, the stopped caption; during the
#                run the tip names the time of the next click, and F6 is given back at the end
#       stopkey_taken with F6 held by another program the run starts all the same, its tip says
#                why F6 does not stop it, and the run ends by itself
# The window's texts are read from the file that the runtime writes when CLICKORA_DUMP_FIELDS
# names one (test support only).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
test_name=$1
tapvane=$2
click_target=$3
work=$4
grab_key=${5:-}

rm -rf "$work"
mkdir -p "$work"
cd "$work"
# shellcheck source=SCRIPTDIR/x11_session.sh
source "$here/x11_session.sh"

# Texts of the stop key.
stopped_head="หยุดแล้ว คลิกไป"
tip_head="กด F6 เพื่อหยุด — คลิกครั้งต่อไปเวลา "
taken_head="ใช้ปุ่ม F6 หยุดไม่ได้: โปรแกรมอื่นใช้ปุ่มนี้อยู่ — คลิกครั้งต่อไปเวลา "

# start_run N PERIOD: types a run at (100, 100), inside the click target, and presses Start.
start_run() {
  xdotool key --delay 50 Tab Tab
  xdotool type --delay 30 100
  xdotool key --delay 50 Tab
  xdotool type --delay 30 100
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$1"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$2"
  until_true 5 bash -c "grep -qx 'Text6=$1' '$fields' && grep -qx 'Text8=$2' '$fields'" \
    || fail "typed fields"
  xdotool key --delay 50 Tab Tab Tab space
  until_true 5 field_is Command4.Enabled False || fail "Start was not pressed"
}
# clicks: the presses the target has counted (the first of its "PRESSES SINGLES DOUBLES").
clicks() { cut -d' ' -f1 "$work/clicks.txt" 2>/dev/null; }
# seconds_of TEXT: the time of day in TEXT (h:mm:ss, whatever surrounds it) in seconds.
seconds_of() {
  [[ "$1" =~ ([0-9]{1,2})[:.]([0-9]{2})[:.]([0-9]{2}) ]] || return 1
  echo $((10#${BASH_REMATCH[1]} * 3600 + 10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}))
}
# focus_target: the keyboard focus on the click target, away from tapvane.
focus_target() {
  local target
  target=$(xdotool search --name '^click target$' | head -n1)
  [[ -n "$target" ]] || fail "no click target window"
  xdotool windowfocus --sync "$target" 2>/dev/null || true
  until_true 5 bash -c "[[ \"\$(xdotool getwindowfocus)\" == $target ]]" \
    || fail "the click target did not get the focus"
}

case "$test_name" in
  stopkey)
    "$click_target" "$work/clicks.txt" 40 40 120 120 &
    pids+=($!)
    until_true 10 test -s clicks.txt || fail "the click target did not come up"
    start_tapvane
    start_run 1000 0.01
    # The tip after a click names the time of the next one (0.6 s later): read it after the
    # second click or a later one, and the time read-out when the next click has come.
    until_true 10 bash -c "(( \$(cut -d' ' -f1 clicks.txt) >= 2 ))" || fail "no second click"
    for _ in 1 2 3 4 5; do
      before=$(clicks) tip=$(field Command4.ToolTip) after=$(clicks)
      [[ "$before" == "$after" ]] && break
    done
    [[ "$tip" == "$tip_head"* ]] || fail "tip during the run: '$tip'"
    until_true 5 bash -c "(( \$(cut -d' ' -f1 clicks.txt) > $before ))" || fail "no click after $before"
    at=$(seconds_of "$(field Text1)") named=$(seconds_of "$tip") || fail "no time in '$tip'"
    diff=$(((at - named + 86400) % 86400))
    ((diff <= 1 || diff >= 86399)) \
      || fail "after click $before the tip named $named s; click $((before + 1)) came at $at s"
    # F6 with the focus on the click target, in another program.
    focus_target
    xdotool key F6
    until_true 5 field_is Command4.Enabled True || fail "F6 did not stop the run"
    made=$(clicks)
    field_is Command4.Caption "$stopped_head  $made  ครั้ง" \
      || fail "stopped caption '$(field Command4.Caption)' after $made clicks"
    field_is Text7 $((made + 1)) || fail "counter after the stop"
    # The tip keeps the run's summary until the next Start.
    [[ "$(field Command4.ToolTip)" == "การทำงานครั้งล่าสุด: คลิกไป $made "* ]] \
      || fail "tip after the run: '$(field Command4.ToolTip)'"
    ((made < 1000)) || fail "the run was not stopped early"
    sleep 1.5  # a stopped run clicks no more
    [[ "$(clicks)" == "$made" ]] || fail "clicks after the stop: $(clicks), not $made"
    # F6 is given back: another program can take it now.
    "$grab_key" "$work/grabbed.txt" >grab.log 2>&1 &
    pids+=($!)
    until_true 5 test -s grabbed.txt || fail "F6 was not given back: $(cat grab.log)"
    ;;

  stopkey_taken)
    "$grab_key" "$work/grabbed.txt" >grab.log 2>&1 &
    pids+=($!)
    until_true 5 test -s grabbed.txt || fail "the other program could not take F6: $(cat grab.log)"
    "$click_target" "$work/clicks.txt" 40 40 120 120 &
    pids+=($!)
    until_true 10 test -s clicks.txt || fail "the click target did not come up"
    start_tapvane
    start_run 3 0.01
    tip=$(field Command4.ToolTip)
    [[ "$tip" == "$taken_head"* ]] || fail "tip with F6 taken: '$tip'"
    xdotool key F6
    until_true 15 field_is Command4.Enabled True || fail "the run did not end"
    field_is Command4.Caption "โปรแกรมทำงานเสร็จ คลิกครบ  3  ครั้ง" \
      || fail "F6 held by another program changed the run: '$(field Command4.Caption)'"
    sleep 1
    [[ "$(clicks)" == 3 ]] || fail "the target counted $(clicks) clicks, not 3"
    ;;

  window)
    start_tapvane
    # Placed at 5145 x 4395 twips (the client area; the menu bar above it) and cut to 3720 by
    # 4990 twips: 248 by 333 pixels at 96 DPI.
    until_true 10 bash -c "xdotool getwindowgeometry $window | grep -q 'Geometry: 248x333'" \
      || fail "window size: $(xdotool getwindowgeometry "$window")"
    until_true 10 bash -c "xdotool getwindowgeometry $window | grep -q 'Position: 343,'" \
      || fail "window place: $(xdotool getwindowgeometry "$window")"
    field_is Text7 1 && field_is Text4 500 && field_is Text5 500 && field_is Text6 5 \
      && field_is Text8 1 && field_is Command4.Caption Start || fail "start texts"
    sleep 0.5  # let the first paint finish
    import -window root "$work/tapvane.png"
    echo "screenshot: $work/tapvane.png"
    ;;

  readout)
    start_tapvane
    for point in "123 456" "7 9" "1279 1023"; do
      read -r x y <<<"$point"
      xdotool mousemove "$x" "$y"
      until_true 5 field_is Text2 " x : $x , y :  $y" \
        || fail "read-out after moving to $x,$y: '$(field Text2)'"
    done
    [[ "$(field Text1)" =~ [0-9]{1,2}.[0-9]{2}.[0-9]{2} ]] || fail "time read-out '$(field Text1)'"
    ;;

  clickrun)
    start_click_target
    start_tapvane
    # Start holds the focus; Tab visits Text2, Text4, Text5, Text6, Text8, the option group and
    # Text1, and comes back to Start. Tab selects a field's whole text, so typing replaces it.
    xdotool key --delay 50 Tab Tab
    xdotool type --delay 30 100
    xdotool key --delay 50 Tab
    xdotool type --delay 30 100
    xdotool key --delay 50 Tab
    xdotool type --delay 30 3
    xdotool key --delay 50 Tab
    xdotool type --delay 30 0.01
    until_true 5 bash -c "grep -qx 'Text4=100' '$fields' && grep -qx 'Text5=100' '$fields' \
      && grep -qx 'Text6=3' '$fields' && grep -qx 'Text8=0.01' '$fields'" \
      || fail "typed fields"
    xdotool key --delay 50 Tab Tab Tab space
    until_true 5 field_is Command4.Enabled False || fail "Start was not pressed"
    # 3 clicks 0.6 s apart.
    until_true 15 field_is Command4.Enabled True || fail "the run did not end"
    field_is Command4.Caption "โปรแกรมทำงานเสร็จ คลิกครบ  3  ครั้ง" || fail "finished caption"
    field_is Text7 4 || fail "counter after the run"
    sleep 1.5  # a finished run clicks no more
    clicks_are 3 3 0 || fail "the target counted '$(cat clicks.txt)', not 3 single clicks"
    ;;

  doubleclick)
    start_click_target
    start_tapvane
    set_x 100
    set_y 100
    set_clicks 3
    set_period 0.01
    choose_double
    press_start
    # 3 double clicks 0.6 s apart.
    until_true 15 field_is Command4.Enabled True || fail "the run did not end"
    field_is Command4.Caption "โปรแกรมทำงานเสร็จ คลิกครบ  3  ครั้ง" || fail "finished caption"
    sleep 1.5  # a finished run clicks no more
    clicks_are 6 0 3 || fail "the target counted '$(cat clicks.txt)', not 3 double clicks"
    ;;

  longrun)
    start_click_target
    start_tapvane
    set_x 100
    set_y 100
    set_clicks 200
    # 0.06 s: the timer's inner tick, about a tenth of a second, paces the run.
    set_period 0.001
    press_start
    until_true 60 field_is Command4.Enabled True || fail "the run did not end: $(cat clicks.txt)"
    field_is Command4.Caption "โปรแกรมทำงานเสร็จ คลิกครบ  200  ครั้ง" || fail "finished caption"
    field_is Text7 201 || fail "counter after the run"
    sleep 1
    [[ "$(cut -d' ' -f1 clicks.txt)" == 200 ]] \
      || fail "the target counted $(cut -d' ' -f1 clicks.txt) presses, not 200"
    ;;

  periods)
    start_tapvane
    # Period (at most the 5 characters that Text8 takes) and the refusal it gets; Start is given
    # back each time, and the program goes on.
    refusals=(
      "34561|ใส่ค่าเวลามากสุด 34560 นาที(24วัน)"
      "99999|ใส่ค่าเวลามากสุด 34560 นาที(24วัน)"
      "0|ใส่ค่าเวลามากกว่า 0 นาที"
      "-1|ใส่ค่าเวลามากกว่า 0 นาที"
      "abc|ใส่ค่าเวลามากกว่า 0 นาที"
      "1e-99|ใส่ค่าเวลามากกว่า 0 นาที"  # more than 0, but no time at all to the timer
    )
    for refusal in "${refusals[@]}"; do
      period=${refusal%%|*}
      set_period "$period"
      press_start
      expect_message "${refusal#*|}"
      until_true 5 field_is Command4.Enabled True || fail "Start not given back after $period"
      field_is Command4.Caption Start && field_is Text7 1 || fail "a refused start left traces"
      kill -0 "$tapvane_pid" || fail "the program ended after refusing $period"
    done
    ;;

  settings)
    crlf() { printf '%s\r\n' "$@"; }
    crlf 500 500 5 1 1 >expected-design.kpf
    crlf 11 22 33 44 55 >other.kpf
    crlf 9 9 9 9 9 >default.kpf  # in the program's current folder: a cancelled Open reads nothing
    long_x=$(head -c 40000 /dev/zero | tr '\0' 7)
    # Longer than the toolkit's default limit, and longer than what Text6 (8) and Text8 (5)
    # take from the keyboard: the program's own texts are never cut.
    crlf "$long_x" 500 1234567890 1 12345678 >long.kpf
    start_tapvane

    file_menu 2
    file_dialog save "$work/design.kpf"
    until_true 5 test -s design.kpf || fail "Save wrote no file"
    sleep 0.3
    [[ $(stat -c %s design.kpf) == 19 ]] && cmp -s design.kpf expected-design.kpf \
      || fail "the saved design values: $(od -c design.kpf)"

    file_menu 1
    file_dialog open cancel
    sleep 0.5
    fields_are 500 500 5 1 1 || fail "a cancelled Open changed the fields"
    file_menu 1
    file_dialog open "$work/other.kpf"
    until_true 5 fields_are 11 22 33 44 55 || fail "Open of other.kpf"
    file_menu 1
    file_dialog open "$work/design.kpf"
    until_true 5 fields_are 500 500 5 1 1 || fail "Open of the saved design values"

    # Save proposes the file just opened; cancelled, it writes nothing.
    rm design.kpf
    file_menu 2
    file_dialog save cancel
    sleep 0.5
    [[ ! -e design.kpf ]] || fail "a cancelled Save wrote the file"
    fields_are 500 500 5 1 1 || fail "a cancelled Save changed the fields"

    file_menu 1
    file_dialog open "$work/long.kpf"
    until_true 5 field_is Text4 "$long_x" || {
      shown=$(field Text4)
      fail "Open put ${#shown} of the ${#long_x} characters of X into Text4"
    }
    field_is Text6 1234567890 && field_is Text8 12345678 || fail "Open cut Text6 or Text8"
    file_menu 2
    file_dialog save "$work/long-saved.kpf"
    until_true 5 test -s long-saved.kpf || fail "Save wrote no file"
    sleep 0.3
    cmp long.kpf long-saved.kpf || fail "the long X was not saved back whole"
    ;;

  nocontrol)
    # A copy of the program in a folder of its own, without the control library.
    mkdir -p alone
    cp "$tapvane" alone/tapvane
    alone/tapvane >tapvane.log 2>&1 &
    tapvane_pid=$!
    pids+=("$tapvane_pid")
    until_true 20 xdotool search --name '^Quorvel$' >message.txt 2>/dev/null \
      || fail "no message about the missing control library"
    sleep 0.3
    import -window root "$work/nocontrol.png"
    xdotool search --name '^Clickora$' >/dev/null 2>&1 && fail "the window came up all the same"
    xdotool key Return
    status=0
    wait "$tapvane_pid" || status=$?
    ((status == 3)) || fail "exit code $status, not 3"
    ;;

  menus)
    start_tapvane
    eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y: the window's top-left
    # The menu bar's items, as the toolkit lays them out: "File" then "Manual". A menu opened by
    # a click has no item selected: Down selects its first, Up its last.
    xdotool mousemove $((X + 65)) $((Y + 10)) click 1
    sleep 0.3
    xdotool key Down Return
    expect_help "Manual > Manual"
    sleep 0.3
    import -window root "$work/help.png"
    close_help
    xdotool mousemove $((X + 150)) $((Y + 150)) click 1 key F1
    expect_help F1
    close_help
    kill -0 "$tapvane_pid" || fail "the program ended after the help"
    xdotool mousemove $((X + 20)) $((Y + 10)) click 1
    sleep 0.3
    xdotool key Up Return
    status=0
    until_true 5 bash -c "! kill -0 $tapvane_pid 2>/dev/null" || fail "File > Exit did not end"
    wait "$tapvane_pid" || status=$?
    ((status == 0)) || fail "exit code $status after File > Exit"
    ;;

  help)
    start_tapvane
    # A period of 0 minutes is refused in a message box: F1 there. Start holds the focus; five
    # Tabs reach Text8, three more come back to Start.
    xdotool key --delay 50 Tab Tab Tab Tab Tab
    xdotool type --delay 30 0
    until_true 5 field_is Text8 0 || fail "typed period: '$(field Text8)'"
    xdotool key --delay 50 Tab Tab Tab space
    until_true 5 message_box || fail "a period of 0 showed no message"
    box=$(xdotool search --onlyvisible --name '^Quorvel$' | head -n1)
    xdotool key F1
    expect_help "F1 in the message box"
    # The help can be used beside the box: its links still work.
    xdotool key Tab Return
    until_true 5 help_field_is Page window.html || fail "the help is blocked by the message box"
    xdotool windowfocus --sync "$box" key Return
    until_true 5 no_message_box || fail "the message box did not close"
    help_window || fail "the help window went with the message box"
    xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "$help_names" | head -n1)"
    close_help

    # F1 in the window starts at the first page again; a link of the contents leads to its page,
    # whose title the window then carries.
    eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y: the window's top-left
    xdotool mousemove $((X + 150)) $((Y + 150)) click 1 key F1
    expect_help F1
    xdotool key Tab Return
    until_true 5 help_field_is Page window.html || fail "the first link: '$(cat "$help_dump")'"
    help_field_is Heading "หน้าต่างโปรแกรม / The window" \
      || fail "heading of window.html: '$(cat "$help_dump")'"
    help_field_is Title "หน้าต่างโปรแกรม / The window" || fail "title of window.html"
    xdotool search --onlyvisible --name '^หน้าต่างโปรแกรม' >/dev/null || fail "caption of window.html"
    close_help

    # File > Open: F1 in the file dialog.
    xdotool mousemove $((X + 20)) $((Y + 10)) click 1
    sleep 0.3
    xdotool key Down Return
    until_true 10 xdotool search --onlyvisible --name '^open$' >dialog.txt 2>/dev/null \
      || fail "File > Open showed no dialog"
    dialog=$(head -n1 dialog.txt)
    xdotool key F1
    expect_help "F1 in the file dialog"
    import -window root "$work/help-dialog.png"
    close_help
    xdotool windowfocus --sync "$dialog" key Escape
    until_true 5 bash -c "! xdotool search --onlyvisible --name '^open$' >/dev/null 2>&1" \
      || fail "the file dialog did not close"
    kill -0 "$tapvane_pid" || fail "the program ended after the help"
    ;;

  nomanual)
    # A copy of the program with its control library but without the manual.
    mkdir -p alone
    cp "$tapvane" "$(dirname "$tapvane")/libhorolon.so" alone/
    start_tapvane alone/tapvane
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + 150)) $((Y + 150)) click 1 key F1
    until_true 5 message_box || fail "F1 without the manual showed no message"
    sleep 0.3
    import -window root "$work/nomanual.png"
    no_help_window || fail "a help window came up without a manual"
    # In the program's own words, naming where the manual was looked for.
    expect_message "ไม่พบคู่มือการใช้งาน $(cd alone && pwd -P)/manual/index.html"
    kill -0 "$tapvane_pid" || fail "the program ended after the message"
    ;;

  *)
    echo "unknown test $test_name" >&2
    exit 2
    ;;
esac
echo "PASS: $test_name"
