#!/usr/bin/env bash
# End-to-end tests of tapvane.exe under Wine: e2e.sh CONFIG CASE
#
# Runs inside the Wine test environment (WINEPREFIX and DISPLAY set, an Xvfb of 1024x768). CONFIG
# names the programs (e2e-config.sh, written by CMake). Every case starts its own tapvane.exe,
# drives it with real X input (xdotool), and judges it by what it did: control texts read with
# probe.exe, the clicks that click_target.exe logged, files, window titles and screen pixels.
# Prints "e2e CASE: PASS" at the end of a case that passed, "e2e CASE: FAIL: why" otherwise.
#
# NOTE: without a window manager, Wine windows get no frame and never take the focus, so the
# programs run in a Wine virtual desktop of the screen's size. The desktop is named for these
# tests and chosen per program (AppDefaults), which keeps them apart from anything else that runs
# in the same prefix.
set -uo pipefail

config=${1:?usage: e2e.sh CONFIG CASE}
case_name=${2:?usage: e2e.sh CONFIG CASE}
# shellcheck source=/dev/null
. "$config"
: "${tapvane:?}" "${horolon:?}" "${probe:?}" "${click_target:?}" "${work:?}" "${artifacts:?}"
# shellcheck source=e2e_driver.sh
. "$(dirname "${BASH_SOURCE[0]}")/e2e_driver.sh"

# Texts of the program.
readonly started_caption='โปรแกรมเริ่มทำงานแล้ว'
readonly progress_head='กรุณารอ ตอนนี้คลิกไปแล้ว'
readonly finished_head='โปรแกรมทำงานเสร็จ คลิกครบ'
readonly caption_tail='ครั้ง'
readonly too_long_message='ใส่ค่าเวลามากสุด 34560 นาที(24วัน)'
readonly too_short_message='ใส่ค่าเวลามากกว่า 0 นาที'
readonly stopped_head='หยุดแล้ว คลิกไป'
readonly tip_head='กด F6 เพื่อหยุด — คลิกครั้งต่อไปเวลา '
readonly taken_head='ใช้ปุ่ม F6 หยุดไม่ได้: โปรแกรมอื่นใช้ปุ่มนี้อยู่ — คลิกครั้งต่อไปเวลา '
readonly dialog_failed_message='เปิดหน้าต่างเลือกไฟล์ไม่ได้'

trap cleanup EXIT

run_case_startup() {
  start_tapvane
  snapshot
  read_geometry
  local title
  title=$(awk -F '\t' '$1 == "window" { print $10; exit }' "$case_dir/window.txt")
  [[ "$title" == Clickora ]] || fail "the caption is \"$title\""
  xdotool search --name '^Clickora$' >/dev/null 2>&1 || fail "no X window titled Clickora"
  # 3720 x 4990 twips at 15 twips a pixel.
  local width=$((right - left)) height=$((bottom - top))
  ((width == 248)) || fail "the window is $width pixels wide, expected 248"
  ((height >= 332 && height <= 333)) || fail "the window is $height pixels high, expected 332 or 333"
  # Placed where designed: the client area at 5145, 4395 twips.
  ((cx == 343 && cy == 293)) || fail "the client area starts at $cx,$cy, expected 343,293"

  expect_text Text4 500
  expect_text Text5 500
  expect_text Text6 5
  expect_text Text8 1
  expect_text Text7 1
  [[ "$(field Text7 7)" == 0 ]] || fail "Text7 is visible"
  expect_text Command4 Start
  [[ "$(field Command4 8)" == 1 ]] || fail "Start is disabled"
  expect_text Option1 'คลิก'
  expect_text Option2 'ดับเบิลคลิก'
  [[ "$(field Option1 9)" == 1 && "$(field Option2 9)" == 0 ]] || fail "single click is not the selected mode"
  [[ "$(field Option2 8)" == 1 ]] || fail "double click is disabled"
  [[ "$(text_of Text2)" =~ ^\ x\ :\ -?[0-9]+\ ,\ y\ :\ \ -?[0-9]+$ ]] || fail "read-out \"$(text_of Text2)\""
  [[ "$(text_of Text1)" =~ [0-9]{1,2}[:.][0-9]{2}[:.][0-9]{2} ]] || fail "time read-out \"$(text_of Text1)\""

  # Keep the pointer off the window for the picture.
  xdotool mousemove 1000 20 >/dev/null 2>&1
  sleep 0.5
  mkdir -p "$artifacts"
  local shot=$artifacts/startup.png
  timeout 30 import -window root "$shot" || fail "no screenshot"
  convert "$shot" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$artifacts/startup-window.png"
  log "screenshot $shot"

  # The picture: dark blue in the upper band, left of the read-outs.
  local r g b
  read -r r g b < <(colour_at "$shot" $((cx + 4)) $((cy + 60)))
  ((b > 90 && b > r + 50)) || fail "no blue picture at the top left (rgb $r $g $b)"
  # The white panel of the lower band.
  read -r r g b < <(colour_at "$shot" $((cx + 4)) $((cy + 230)))
  ((r > 235 && g > 235 && b > 235)) || fail "no white panel in the lower band (rgb $r $g $b)"
  # White bold labels on the picture: "พิกัด" and "เวลา".
  local n
  n=$(count_pixels "$shot" $((cx + 8)) $((cy + 13)) 33 17 white 25%)
  ((n >= 15)) || fail "the label \"พิกัด\" does not show ($n white pixels)"
  n=$(count_pixels "$shot" $((cx + 8)) $((cy + 40)) 25 17 white 25%)
  ((n >= 15)) || fail "the label \"เวลา\" does not show ($n white pixels)"
  # The black hint labels on the panel.
  n=$(count_pixels "$shot" $((cx + 16)) $((cy + 192)) 200 17 black 40%)
  ((n >= 40)) || fail "the hint \"จำนวนรอบสูงสุด ...\" does not show ($n dark pixels)"
  # The menu bar between the caption and the client area shows "File" and "Manual".
  for menu in File Manual; do
    n=$(count_pixels "$shot" $((cx + menu_offset[$menu] - 10)) $((cy - 17)) 20 14 black 40%)
    ((n >= 8)) || fail "the menu bar shows no \"$menu\" ($n dark pixels)"
  done
}

run_case_readout() {
  start_tapvane
  local x y
  for point in "100 50" "900 700" "0 0" "1023 767"; do
    read -r x y <<<"$point"
    xdotool mousemove "$x" "$y" >/dev/null 2>&1
    wait_for "the read-out of $x,$y" 5 readout_is " x : $x , y :  $y"
  done
  # Negative coordinates: with the desktop's X window moved right and down, the pointer at the
  # top left of the X screen lies above and left of the Windows screen.
  local desktop
  desktop=$(desktop_window) || fail "no virtual desktop holding Clickora"
  xdotool windowmove --sync "$desktop" 100 80 >/dev/null 2>&1
  xdotool mousemove 30 20 >/dev/null 2>&1
  if wait_for_quiet 5 readout_is " x : -70 , y :  -60"; then
    log "negative coordinates read out as \" x : -70 , y :  -60\""
  else
    snapshot
    xdotool windowmove --sync "$desktop" 0 0 >/dev/null 2>&1
    fail "with the pointer left of and above the screen the read-out is \"$(text_of Text2)\""
  fi
  xdotool windowmove --sync "$desktop" 0 0 >/dev/null 2>&1
}

# run_clicks N PERIOD MODE: a run at (800, 200) in the click target; leaves the captions seen in
# $case_dir/captions.txt.
run_clicks() {
  local n=$1 period=$2 mode=$3
  start_target
  start_tapvane
  type_into Text4 800
  type_into Text5 200
  type_into Text6 "$n"
  type_into Text8 "$period"
  if [[ $mode == double ]]; then
    click_control Option2
    sleep 0.2
    snapshot
    [[ "$(field Option2 9)" == 1 && "$(field Option1 9)" == 0 ]] || fail "double click could not be selected"
  fi
  click_control Command4
  : >"$case_dir/captions.txt"
  snapshot
  local caption
  caption=$(text_of Command4)
  [[ "$(field Command4 8)" == 0 ]] || fail "Start stays enabled during the run"
  echo "$caption" >>"$case_dir/captions.txt"
  local deadline=$(($(now_ms) + 120000))
  until [[ "$caption" == "$finished_head"* ]]; do
    (($(now_ms) < deadline)) || fail "the run did not finish; the caption is \"$caption\""
    sleep 0.15
    snapshot
    caption=$(text_of Command4)
    # NOTE: a read that catches nothing (the probe raced the window's own update) is no caption.
    [[ -n "$caption" ]] || continue
    [[ "$(tail -n 1 "$case_dir/captions.txt")" == "$caption" ]] || echo "$caption" >>"$case_dir/captions.txt"
  done
  [[ "$caption" == "$finished_head  $n  $caption_tail" ]] || fail "the finished caption is \"$caption\""
  [[ "$(field Command4 8)" == 1 ]] || fail "Start is not enabled again after the run"
  expect_text Text7 $((n + 1))
  # With a period shorter than a read of the window the first click may come before the first read.
  if [[ $period != 0.001 ]]; then
    [[ "$(head -n 1 "$case_dir/captions.txt")" == "$started_caption" ]] ||
      fail "the caption at Start was \"$(head -n 1 "$case_dir/captions.txt")\""
  fi
  # Every progress caption seen counts the clicks made: head, two blanks, k, two blanks, tail.
  local seen=0 last=0 line
  while IFS= read -r line; do
    if [[ "$line" == "$progress_head"* ]]; then
      [[ "$line" =~ ^"$progress_head  "([0-9]+)"  $caption_tail"$ ]] || fail "malformed progress caption \"$line\""
      ((BASH_REMATCH[1] > last && BASH_REMATCH[1] < n)) ||
        fail "progress caption counts ${BASH_REMATCH[1]} after $last, in a run of $n"
      last=${BASH_REMATCH[1]}
      seen=$((seen + 1))
    fi
  done <"$case_dir/captions.txt"
  ((seen > 0)) || fail "no progress caption was seen"
  # No click after the finished caption, even after a few more periods.
  sleep 1.5
}

run_case_single_run() {
  # NOTE: a period of 3 s leaves the first read of the window time to see the started caption
  # even on a busy machine, where starting the probe alone can take over a second.
  run_clicks 5 0.05 single
  local down up dbl
  down=$(count_clicks down 800 200) up=$(count_clicks up 800 200) dbl=$(count_all dblclk)
  ((down == 5 && up == 5 && dbl == 0)) ||
    fail "the target got $down presses, $up releases and $dbl double clicks at 800,200; expected 5, 5, 0 ($(wc -l <"$case_dir/clicks.log") events)"
  (($(wc -l <"$case_dir/clicks.log") == 10)) || fail "the target got clicks elsewhere: $(cat "$case_dir/clicks.log")"
}

run_case_double_run() {
  run_clicks 5 0.05 double
  local down up dbl
  down=$(count_clicks down 800 200) up=$(count_clicks up 800 200) dbl=$(count_clicks dblclk 800 200)
  ((down == 5 && dbl == 5 && up == 10)) ||
    fail "the target got $down presses, $dbl double clicks and $up releases at 800,200; expected 5, 5, 10"
  (($(wc -l <"$case_dir/clicks.log") == 20)) || fail "the target got clicks elsewhere: $(cat "$case_dir/clicks.log")"
}

run_case_run_200() {
  # The shortest period the field takes (0.06 s): one click per inner tick of the timer. Presses
  # that close together pair up into double clicks, so presses are counted with them.
  run_clicks 200 0.001 single
  local presses up
  presses=$(($(count_clicks down 800 200) + $(count_clicks dblclk 800 200)))
  up=$(count_clicks up 800 200)
  ((presses == 200 && up == 200)) || fail "the target got $presses presses and $up releases; expected 200 of each"
  (($(wc -l <"$case_dir/clicks.log") == 400)) || fail "the target got clicks elsewhere"
}

run_case_save_open() {
  start_tapvane
  local saved=$case_dir/saved.kpf other=$case_dir/other.kpf
  rm -f "$saved"
  choose_menu File 2
  probe wait save 15000 >/dev/null || fail "File > Save showed no dialog titled \"save\""
  dialog_has_text save '*.kpf' || fail "the save dialog does not propose \"*.kpf\""
  answer_dialog save "$(winepath -w "$saved")"
  wait_for "the saved file" 10 test -s "$saved"
  sleep 0.3
  cmp -s "$saved" <(printf '500\r\n500\r\n5\r\n1\r\n1\r\n') ||
    fail "the saved file is not the 19 bytes of the design values: $(od -c "$saved" | head -n 3)"
  (($(stat -c %s "$saved") == 19)) || fail "the saved file has $(stat -c %s "$saved") bytes"

  printf '123\r\n456\r\n7\r\n8\r\n9\r\n' >"$other"
  choose_menu File 1
  probe wait open 15000 >/dev/null || fail "File > Open showed no dialog titled \"open\""
  dialog_has_text open 'default.kpf' || fail "the open dialog does not propose \"default.kpf\""
  answer_dialog open "$(winepath -w "$other")"
  wait_for "the fields of other.kpf" 10 field_is Text6 7
  snapshot
  expect_text Text4 123
  expect_text Text5 456
  expect_text Text6 7
  expect_text Text7 8
  expect_text Text8 9

  choose_menu File 1
  answer_dialog open "$(winepath -w "$saved")"
  wait_for "the fields of saved.kpf" 10 field_is Text4 500
  snapshot
  expect_text Text4 500
  expect_text Text5 500
  expect_text Text6 5
  expect_text Text7 1
  expect_text Text8 1
}

run_case_open_cancel() {
  start_tapvane
  rm -f "$case_dir/default.kpf"
  type_into Text4 321
  type_into Text8 2
  choose_menu File 1
  probe wait open 15000 >/dev/null || fail "File > Open showed no dialog titled \"open\""
  sleep 0.5
  focus_desktop
  xdotool key Escape >/dev/null 2>&1
  probe gone open 15000 >/dev/null || fail "Escape did not close the open dialog"
  sleep 0.5
  snapshot
  expect_text Text4 321
  expect_text Text5 500
  expect_text Text6 5
  expect_text Text7 1
  expect_text Text8 2
  alive "$tapvane_pid" || fail "the program ended"
}

help_opens() {
  probe wait 'Clickora Manual' 20000 >/dev/null || fail "no help window titled from manual.chm"
  probe list | grep -q $'\tClickora Manual$' || fail "the help window is not listed"
  alive "$tapvane_pid" || fail "the program ended when the help opened"
  probe wait Clickora 1000 >/dev/null || fail "the main window went away"
  probe close 'Clickora Manual' >/dev/null
  probe gone 'Clickora Manual' 10000 >/dev/null || fail "the help window did not close"
}


run_case_help_f1() {
  start_tapvane
  activate_window
  xdotool key F1 >/dev/null 2>&1
  help_opens
}

run_case_help_menu() {
  start_tapvane
  choose_menu Manual 1
  help_opens
}

# Without manual.chm beside the program, Manual > Manual says so in Thai, naming where the manual
# was looked for, and the program goes on.
run_case_help_missing() {
  mkdir -p "$case_dir/alone"
  cp "$tapvane" "$case_dir/alone/tapvane.exe"
  local shipped=$tapvane
  tapvane=$case_dir/alone/tapvane.exe
  start_tapvane
  tapvane=$shipped
  choose_menu Manual 1
  probe wait Quorvel 15000 >/dev/null || fail "Manual > Manual without the manual gave no message"
  probe texts Quorvel >"$case_dir/message.txt"
  awk -F '\t' '$1 == "child" && index($10, "ไม่พบคู่มือการใช้งาน ") == 1 && $10 ~ /alone\\manual\.chm: / { found = 1 }
    END { exit !found }' "$case_dir/message.txt" ||
    fail "the message does not name the missing manual: $(cat "$case_dir/message.txt")"
  # Its OK button, pressed with the mouse as a user would.
  local ox oy bx by bw bh
  read -r ox oy < <(awk -F '\t' '$1 == "window" { print $6, $7 }' "$case_dir/message.txt")
  read -r bx by bw bh < <(awk -F '\t' '$1 == "child" && $2 == "Button" { print $3, $4, $5, $6; exit }' \
    "$case_dir/message.txt")
  click_at $((ox + bx + bw / 2)) $((oy + by + bh / 2))
  probe gone Quorvel 10000 >/dev/null || fail "the message box did not close"
  alive "$tapvane_pid" || fail "the program ended after the message"
  probe wait 'Clickora Manual' 0 >/dev/null && fail "a help window opened without the manual"
  return 0
}

# press_start_expecting MESSAGE: Start with the period typed shows MESSAGE; after OK the window
# stays, with Start given back.
press_start_expecting() {
  click_control Command4
  probe wait Quorvel 10000 >/dev/null || fail "no message box titled Quorvel"
  dialog_has_text Quorvel "$1" || fail "the message box does not say \"$1\""
  focus_desktop
  xdotool key Return >/dev/null 2>&1
  probe gone Quorvel 10000 >/dev/null || fail "the message box did not close"
  sleep 1
  alive "$tapvane_pid" || fail "the program ended after the message \"$1\""
  probe wait Clickora 1000 >/dev/null || fail "the window is gone after the message"
  snapshot
  expect_text Command4 Start
  [[ "$(field Command4 8)" == 1 ]] || fail "Start stays disabled after the message"
}

run_case_period_limits() {
  start_tapvane
  type_into Text8 34561
  press_start_expecting "$too_long_message"
  type_into Text8 0
  press_start_expecting "$too_short_message"
  # 34560 minutes itself is accepted: the run starts.
  type_into Text8 34560
  click_control Command4
  sleep 1
  probe wait Quorvel 0 >/dev/null && fail "34560 minutes was refused"
  snapshot
  expect_text Command4 "$started_caption"
  [[ "$(field Command4 8)" == 0 ]] || fail "Start stays enabled with a period of 34560 minutes"
}

run_case_exit_menu() {
  start_tapvane
  choose_menu File 3
  process_ends 15 || fail "File > Exit did not end the program"
  probe gone Clickora 5000 >/dev/null || fail "the window stayed after File > Exit"
}

run_case_close_window() {
  start_tapvane
  snapshot
  read_geometry
  # The close box is the last of the caption buttons at the top right of the frame.
  click_at $((right - 17)) $((top + 13))
  process_ends 15 || fail "closing the window did not end the program"
  probe gone Clickora 5000 >/dev/null || fail "the window stayed after it was closed"
}

run_case_unregistered() {
  reregister=1
  timeout 120 wine regsvr32 /u /s "$horolon" >/dev/null 2>&1
  local status=$?
  # What matters here is that the class can no longer be found by its name.
  if timeout 60 wine reg query 'HKCR\Horolib.LongTimer' >/dev/null 2>&1; then
    fail "Horolib.LongTimer is still registered after regsvr32 /u (status $status)"
  fi
  ((status == 0)) || log "note: regsvr32 /u ended with status $status"
  (cd "$case_dir" && exec timeout 170 wine "$tapvane") >"$case_dir/tapvane.out" 2>&1 &
  tapvane_pid=$!
  probe wait Quorvel 30000 >/dev/null || fail "no message about the missing control"
  probe texts Quorvel >"$case_dir/message.txt"
  grep -q 'Horolib.LongTimer' "$case_dir/message.txt" || fail "the message does not name Horolib.LongTimer"
  grep -q 'regsvr32' "$case_dir/message.txt" || fail "the message does not say how to register"
  focus_desktop Quorvel
  xdotool key Return >/dev/null 2>&1
  process_ends 15 || fail "the program did not end after the message"
  ((ended_status != 0)) || fail "the program ended with status 0"
}

# start_long_run N PERIOD: a run at (800, 200) in the click target, with Start pressed.
start_long_run() {
  start_target
  start_tapvane
  type_into Text4 800
  type_into Text5 200
  type_into Text6 "$1"
  type_into Text8 "$2"
  click_control Command4
  wait_for "Start to be disabled" 5 start_enabled_is 0
}
start_enabled_is() { snapshot && [[ "$(field Command4 8)" == "$1" ]]; }
downs() { count_all down; }
downs_over() { (($(downs) > $1)); }
# seconds_of TEXT: the time of day in TEXT (h:mm:ss, whatever surrounds it) in seconds.
seconds_of() {
  [[ "$1" =~ ([0-9]{1,2}):([0-9]{2}):([0-9]{2}) ]] || return 1
  echo $((10#${BASH_REMATCH[1]} * 3600 + 10#${BASH_REMATCH[2]} * 60 + 10#${BASH_REMATCH[3]}))
}

run_case_stop_key() {
  [[ -n "${stop_key_holder:-}" ]] || fail "no stop_key_holder in the configuration"
  start_long_run 1000 0.01
  wait_for "the third click" 30 downs_over 2
  # The clicks made the target the active window: a key typed now reaches it, not tapvane.
  focus_desktop
  xdotool key a >/dev/null 2>&1
  wait_for "the key a in the click target" 5 grep -qx 'key 65' "$case_dir/clicks.log"
  xdotool key F6 >/dev/null 2>&1
  wait_for "F6 to stop the run" 10 start_enabled_is 1
  local made caption
  made=$(downs)
  snapshot
  caption=$(text_of Command4)
  [[ "$caption" == "$stopped_head  $made  $caption_tail" ]] ||
    fail "after $made clicks the caption is \"$caption\""
  expect_text Text7 $((made + 1))
  ((made < 1000)) || fail "the run was not stopped early"
  ! grep -qx 'key 117' "$case_dir/clicks.log" || fail "F6 reached the click target during the run"
  sleep 1.5  # a stopped run clicks no more
  (($(downs) == made)) || fail "the target got $(($(downs) - made)) clicks after F6"
  # The tip keeps the run's summary until the next Start.
  [[ "$(tip_of Command4)" == "การทำงานครั้งล่าสุด: คลิกไป $made "* ]] ||
    fail "the tip after the run is \"$(tip_of Command4)\""
  # F6 went back with the end of the run: another program can take it.
  start_holder
  stop_holder
}

run_case_stop_key_tip() {
  # A period of 3 s leaves time to read the tip between two clicks.
  start_long_run 5 0.05
  wait_for "the second click" 30 downs_over 1
  local tip before
  before=$(downs)
  tip=$(tip_of Command4)
  (($(downs) == before)) || fail "a click came while the tip was read"
  [[ "$tip" == "$tip_head"* ]] || fail "the tip after click $before is \"$tip\""
  wait_for "click $((before + 1))" 10 downs_over "$before"
  snapshot
  local named at diff
  named=$(seconds_of "$tip") || fail "no time in the tip \"$tip\""
  at=$(seconds_of "$(text_of Text1)") || fail "no time in the read-out \"$(text_of Text1)\""
  diff=$(((at - named + 86400) % 86400))
  # The clicks are 3 s apart: a tip that named another click would be off by 3 s or more.
  ((diff <= 2 || diff >= 86398)) ||
    fail "after click $before the tip named $named s; click $((before + 1)) came at $at s"
  log "tip \"$tip\", click $((before + 1)) seen at \"$(text_of Text1)\""
}

run_case_stop_key_taken() {
  [[ -n "${stop_key_holder:-}" ]] || fail "no stop_key_holder in the configuration"
  start_holder
  # Three clicks 3 s apart: time to read the tip during the run.
  start_long_run 3 0.05
  local tip
  tip=$(tip_of Command4)
  [[ "$tip" == "$taken_head"* ]] || fail "with F6 taken the tip is \"$tip\""
  focus_desktop
  xdotool key F6 >/dev/null 2>&1
  wait_for "the run to finish" 30 caption_starts "$finished_head"
  expect_text Command4 "$finished_head  3  $caption_tail"
  sleep 1
  (($(downs) == 3)) || fail "the target got $(downs) clicks, expected 3"
}

# The outer size in twips at $dpi is 3720 x 4990, to the pixel.
size_is_rule() {
  snapshot && read_geometry || return 1
  [[ "$(window_state)" == normal ]] || return 1
  local width=$((right - left)) height=$((bottom - top))
  ((width == 3720 * dpi / 1440)) || return 1
  ((height * 1440 >= 4990 * dpi - 1440 && height * 1440 <= 4990 * dpi + 1440))
}
state_is() { snapshot && [[ "$(window_state)" == "$1" ]]; }
size_is_not_rule() {
  snapshot && read_geometry && (((right - left) != 3720 * dpi / 1440 || (bottom - top) > 4990 * dpi / 1440 + 1))
}

# hit_is X Y CODE: the window's hit test at the screen point gives CODE.
hit_is() { [[ "$(probe hit Clickora "$1" "$2" | tr -d '\r')" == "$3" ]]; }
readonly ht_left=10 ht_right=11 ht_bottom_right=17 ht_minimize=8

run_case_size_rule() {
  start_tapvane
  wait_for "the window at 3720 x 4990 twips" 10 size_is_rule
  local mid=$(((top + bottom) / 2)) before
  # The right border dragged outwards: the window snaps back.
  hit_is $((right - 2)) "$mid" $ht_right || fail "no sizing border at the right edge"
  drag $((right - 2)) "$mid" $((right + 120)) "$mid"
  wait_for "the size back after a drag of the right border" 10 size_is_rule
  # The left border dragged inwards: the resize moves the left edge, and the size comes back.
  before=$left
  hit_is $((left + 1)) "$mid" $ht_left || fail "no sizing border at the left edge"
  drag $((left + 1)) "$mid" $((left + 61)) "$mid"
  wait_for "the size back after a drag of the left border" 10 size_is_rule
  ((left >= before + 55 && left <= before + 65)) || fail "the left edge is at $left after a drag from $before by 60"
  # The corner dragged out and down.
  hit_is $((right - 2)) $((bottom - 2)) $ht_bottom_right || fail "no sizing corner at the bottom right"
  drag $((right - 2)) $((bottom - 2)) $((right + 90)) $((bottom + 70))
  wait_for "the size back after a drag of the corner" 10 size_is_rule
  # Minimized by its caption button, the window stays minimized.
  local x found=0
  for ((x = right - 80; x < right; x += 4)); do
    hit_is "$x" $((top + 12)) $ht_minimize && found=1 && break
  done
  ((found)) || fail "no minimize button on the caption"
  click_at "$x" $((top + 12))
  wait_for "the window minimized" 10 state_is minimized
  sleep 1
  state_is minimized || fail "the minimized window did not stay minimized (it is $(window_state))"
  alive "$tapvane_pid" || fail "the program ended when minimized"
  # Restored (as a taskbar does), it comes back at its size.
  probe show Clickora restore >/dev/null || fail "the window could not be restored"
  wait_for "the size back after a restore" 10 size_is_rule
  xdotool mousemove 123 45 >/dev/null 2>&1
  wait_for "the read-out after the restore" 5 readout_is " x : 123 , y :  45"
}

# started_by_key KEY: with the focus on Start, KEY presses it: the run starts.
started_by_key() {
  activate_window
  wait_for "the focus on Start" 10 focus_is Command4
  xdotool key "$1" >/dev/null 2>&1
  wait_for "the run started by $1" 10 caption_starts "$started_caption"
  [[ "$(field Command4 8)" == 0 ]] || fail "Start stays enabled after $1"
}

run_case_focus() {
  # The design values give a period of a minute, so the run started here makes no click before
  # the program is ended.
  start_tapvane
  started_by_key Return
  stop_tapvane
  start_tapvane
  wait_for "the focus on Start at start-up" 10 focus_is Command4
  # NOTE: in Wine's virtual desktop a program started from outside is not made the active window,
  # so the keys go to it only after a click on its caption (which leaves the focus where it is).
  activate_window
  local name
  for name in Text2 Text4 Text5 Text6 Text8 Option1 Text1 Command4; do
    xdotool key Tab >/dev/null 2>&1
    wait_for "Tab to $name (the focus is on $(focused_control))" 5 focus_is "$name"
  done
  # The option group is visited at its selected button.
  click_control Option2
  wait_for "double click selected" 5 field_is_checked Option2
  xdotool key Tab >/dev/null 2>&1
  wait_for "Tab from Option2 to Text1" 5 focus_is Text1
  xdotool key Tab >/dev/null 2>&1
  local i
  for i in 1 2 3 4 5 6; do
    xdotool key Tab >/dev/null 2>&1
    sleep 0.1
  done
  wait_for "Tab to the selected option Option2 (the focus is on $(focused_control))" 5 focus_is Option2
  xdotool key Tab Tab >/dev/null 2>&1
  started_by_key space
}
field_is_checked() { snapshot && [[ "$(field "$1" 9)" == 1 ]]; }

# typed_into NAME TEXT EXPECTED: types TEXT into the emptied text box; it then holds EXPECTED.
typed_into() {
  click_control "$1"
  xdotool key --delay 20 End shift+Home BackSpace >/dev/null 2>&1
  xdotool type --delay 40 "$2" >/dev/null 2>&1
  wait_for_quiet 5 field_is "$1" "$3" || fail "typing \"$2\" into $1 left \"$(text_of "$1")\", expected \"$3\""
}
# pasted_into NAME TEXT REPEAT EXPECTED_LENGTH: pastes TEXT repeated REPEAT times over the whole
# text of NAME; it then holds as many characters of it as EXPECTED_LENGTH.
pasted_into() {
  probe clip "$2" "$3" >/dev/null || fail "cannot put \"$2\" on the clipboard"
  click_control "$1"
  xdotool key --delay 20 End shift+Home ctrl+v >/dev/null 2>&1
  local whole expected
  whole=$(printf "%.0s$2" $(seq 1 "$3"))
  expected=${whole:0:$4}
  wait_for_quiet 10 field_is "$1" "$expected" ||
    fail "pasting ${#whole} characters into $1 left \"$(text_of "$1" | cut -c 1-40)\"..., expected ${#expected} characters"
}

run_case_typing_limits() {
  start_tapvane
  typed_into Text6 123456789012 12345678
  typed_into Text8 0.0123456 0.012
  pasted_into Text6 987654321098 1 8
  pasted_into Text8 34567890 1 5
  # X and Y take any length: 10,000 characters each.
  pasted_into Text4 1234567890 1000 10000
  pasted_into Text5 9876543210 1000 10000
  snapshot
  local length
  length=$(text_of Text4 | tr -d '\n' | wc -c)
  ((length == 10000)) || fail "Text4 holds $length characters"
  # Typing goes on after 10,000 characters.
  click_control Text4
  xdotool key End >/dev/null 2>&1
  xdotool type --delay 40 55 >/dev/null 2>&1
  wait_for "Text4 at 10,002 characters" 5 text_length_is Text4 10002
}
text_length_is() { snapshot && (($(text_of "$1" | tr -d '\n' | wc -c) == $2)); }

# set_run_fields X Y N PERIOD
set_run_fields() {
  type_into Text4 "$1"
  type_into Text5 "$2"
  type_into Text6 "$3"
  type_into Text8 "$4"
}

# wait_presses COUNT SECONDS: until the target has logged COUNT presses (presses close together
# pair up into double clicks, so those count too).
presses() { echo $(($(count_all down) + $(count_all dblclk))); }
presses_reach() { (($(presses) >= $1)); }
wait_presses() { wait_for "$1 presses in the target" "$2" presses_reach "$1"; }

# message_says TEXT: a Quorvel message box is showing, with a line that holds TEXT.
message_says() {
  probe texts Quorvel | awk -F '\t' -v want="$1" '$1 == "child" && index($10, want) { found = 1 } END { exit !found }'
}

# ok_message: presses OK on the Quorvel message box.
ok_message() {
  focus_desktop Quorvel
  xdotool key Return >/dev/null 2>&1
  probe gone Quorvel 10000 >/dev/null || fail "the message box did not close"
}

run_case_x_overflow() {
  start_target
  start_tapvane
  set_run_fields 1e10 200 3 0.01
  click_control Command4
  probe wait Quorvel 15000 >/dev/null || fail "no message for an X of 1e10"
  probe texts Quorvel >"$case_dir/message.txt"
  grep -q 'Overflow' "$case_dir/message.txt" || fail "the message does not name the error: $(cat "$case_dir/message.txt")"
  ok_message
  alive "$tapvane_pid" || fail "the program ended after the message"
  # The run has stopped: Start is given back, and no message and no click follows in 3 periods.
  wait_for "Start enabled again" 5 field_is_enabled Command4
  sleep 2
  probe wait Quorvel 0 >/dev/null && fail "a second message came: the run went on"
  snapshot
  expect_text Command4 Start
  [[ "$(field Command4 8)" == 1 ]] || fail "Start is disabled after the message"
  expect_text Text4 1e10
  expect_text Text5 200
  expect_text Text6 3
  expect_text Text8 0.01
  (($(count_all down) + $(count_all dblclk) == 0)) || fail "the target got clicks: $(cat "$case_dir/clicks.log")"
}
field_is_enabled() { snapshot && [[ "$(field "$1" 8)" == 1 ]]; }

run_case_x_letters() {
  start_target
  start_tapvane
  set_run_fields abc 200 2 0.02
  click_control Command4
  # The pointer is put in the target by the user; the run clicks there without moving it.
  xdotool mousemove 700 150 >/dev/null 2>&1
  wait_for "the finished run" 20 caption_starts "$finished_head"
  expect_text Command4 "$finished_head  2  $caption_tail"
  local down up
  down=$(count_clicks down 700 150) up=$(count_clicks up 700 150)
  ((down == 2 && up == 2)) || fail "the target got $down presses and $up releases at 700,150: $(cat "$case_dir/clicks.log")"
  (($(wc -l <"$case_dir/clicks.log") == 4)) || fail "the target got clicks elsewhere: $(cat "$case_dir/clicks.log")"
  [[ "$(xdotool getmouselocation 2>/dev/null)" == "x:700 y:150 "* ]] ||
    fail "the pointer moved: $(xdotool getmouselocation 2>/dev/null)"
}

run_case_start_twice() {
  start_target
  start_tapvane
  set_run_fields 800 200 2 0.01
  snapshot
  control_centre Command4
  # Two presses in quick succession: the second finds Start disabled.
  xdotool mousemove "$px" "$py" sleep 0.05 click --repeat 2 --delay 60 1 >/dev/null 2>&1
  wait_for "the finished run" 20 caption_starts "$finished_head"
  # Three more periods: a second run would click again.
  sleep 2
  snapshot
  expect_text Command4 "$finished_head  2  $caption_tail"
  expect_text Text7 3
  local down up
  down=$(count_clicks down 800 200) up=$(count_clicks up 800 200)
  ((down == 2 && up == 2)) || fail "the target got $down presses and $up releases: $(cat "$case_dir/clicks.log")"
}

run_case_close_during_run() {
  start_target
  start_tapvane
  set_run_fields 800 200 50 0.01
  click_control Command4
  wait_presses 2 20
  # NOTE: the run moves the pointer every period, so the close box could not be hit reliably; the
  # window gets the close request the close box sends.
  probe close Clickora >/dev/null || fail "the window could not be closed"
  process_ends 15 || fail "closing the window during a run did not end the program"
  local clicks
  clicks=$(presses)
  sleep 2
  (($(presses) == clicks)) || fail "$(($(presses) - clicks)) clicks came after the window was closed"
  probe gone Clickora 5000 >/dev/null || fail "the window stayed"
}

# Presses Start and sets start_pressed_at to the moment just before the press.
start_pressed_at=0
press_start_timed() {
  snapshot || fail "cannot read the window"
  control_centre Command4
  xdotool mousemove "$px" "$py" >/dev/null 2>&1
  sleep 0.1
  start_pressed_at=$(now_ms)
  xdotool click 1 >/dev/null 2>&1 || fail "xdotool could not press Start"
}

# The message times (ms) of the presses the target logged, one a line.
press_times() { awk '$1 == "down" || $1 == "dblclk" { print $4 }' "$case_dir/clicks.log"; }

run_case_backlog() {
  # A period of 1.2 s; the inner tick of the timer is about 0.1 s.
  target_times=1
  start_target
  start_tapvane
  set_run_fields 800 200 1 0.02
  # The program has been up for seconds, yet the first run counts its period from Start.
  sleep 3
  local t0 t1
  press_start_timed
  t0=$start_pressed_at
  wait_presses 1 20
  t1=$(now_ms)
  (((t1 - t0) >= 1100)) || fail "the first click came $((t1 - t0)) ms after Start, before the period of 1200 ms"
  log "the first run's click seen $((t1 - t0)) ms after Start"
  wait_for "the finished first run" 10 caption_starts "$finished_head"
  type_into Text6 3
  # A pause of well over three periods: the timer counts it all.
  sleep_until_ms $((t1 + 5000))
  press_start_timed
  t0=$start_pressed_at
  wait_presses 4 20
  t1=$(now_ms)
  wait_for "the finished second run" 10 caption_starts "$finished_head"
  expect_text Command4 "$finished_head  3  $caption_tail"
  # Paid out at once, one click per inner tick: the three clicks come within one period of Start,
  # each on a tick of its own.
  (((t1 - t0) < 1200)) || fail "the three clicks of the second run took $((t1 - t0)) ms after Start"
  log "the second run's three clicks seen $((t1 - t0)) ms after Start"
  local times
  mapfile -t times < <(press_times)
  ((${#times[@]} == 4)) || fail "the target got ${#times[@]} presses, expected 4"
  local i gap
  for i in 2 3; do
    gap=$((times[i] - times[i - 1]))
    ((gap >= 30 && gap < 600)) || fail "presses $i and $((i + 1)) of the second run lie $gap ms apart (times ${times[*]})"
  done
  log "second run's presses $((times[2] - times[1])) and $((times[3] - times[2])) ms apart"
}

# Visible top-level windows titled TITLE (a file dialog and the question it asks share a title).
titled_count() { probe list | awk -F '\t' -v title="$1" '$1 == "top" && $8 == title' | wc -l; }
titled_count_is() { (($(titled_count "$1") == $2)); }
# Visible dialog windows (file dialogs, message boxes) of any title.
dialog_count_is() { (($(probe list | awk -F '\t' '$1 == "top" && $2 == "#32770"' | wc -l) == $1)); }

# dialog_enter TITLE TEXT: types TEXT into the file name of the dialog TITLE and presses Enter,
# leaving what follows to the caller.
dialog_enter() {
  probe wait "$1" 15000 >/dev/null || fail "no \"$1\" dialog"
  sleep 0.5
  focus_desktop "$1"
  xdotool key --delay 20 ctrl+a BackSpace >/dev/null 2>&1
  xdotool type --delay 20 "$2" >/dev/null 2>&1
  xdotool key Return >/dev/null 2>&1
}

expect_fields() {
  snapshot
  expect_text Text4 "$1"
  expect_text Text5 "$2"
  expect_text Text6 "$3"
  expect_text Text7 "$4"
  expect_text Text8 "$5"
}

run_case_settings_short() {
  start_tapvane
  type_into Text8 3
  local short=$case_dir/short.kpf marked=$case_dir/marked.kpf
  printf '11\r\n22\r\n' >"$short"
  choose_menu File 1
  answer_dialog open "$(winepath -w "$short")"
  wait_for "the fields of short.kpf" 10 field_is Text5 22
  # Only the two fields the file has values for change.
  expect_fields 11 22 5 1 3
  # A byte-order mark at the start of the file is no part of X.
  printf '\xef\xbb\xbf77\r\n88\r\n9\r\n' >"$marked"
  choose_menu File 1
  answer_dialog open "$(winepath -w "$marked")"
  wait_for "the fields of marked.kpf" 10 field_is Text6 9
  expect_fields 77 88 9 1 3
}

hold_pid=
run_case_settings_errors() {
  start_tapvane
  type_into Text4 444
  local locked=$case_dir/locked.kpf readonly=$case_dir/readonly.kpf path
  # Unreadable: another program holds the file and shares it with nobody.
  printf '1\r\n2\r\n3\r\n4\r\n5\r\n' >"$locked"
  timeout 120 wine "$probe" hold "$(winepath -w "$locked")" 90000 >"$case_dir/hold.out" 2>&1 &
  hold_pid=$!
  wait_for "the file held by another program" 30 grep -qs held "$case_dir/hold.out"
  path=$(winepath -w "$locked")
  choose_menu File 1
  answer_dialog open "$path"
  probe wait Quorvel 15000 >/dev/null || fail "no message for a file that cannot be read"
  probe texts Quorvel >"$case_dir/message.txt"
  grep -q 'เปิดไฟล์ไม่ได้' "$case_dir/message.txt" || fail "the message is not the open failure: $(cat "$case_dir/message.txt")"
  (($(grep -o -F "$path" "$case_dir/message.txt" | wc -l) == 1)) ||
    fail "the message does not name the path exactly once: $(cat "$case_dir/message.txt")"
  ok_message
  expect_fields 444 500 5 1 1
  kill "$hold_pid" 2>/dev/null
  wait "$hold_pid" 2>/dev/null
  hold_pid=

  # Read-only target: the save is refused and the file stays as it was.
  printf '9\r\n8\r\n7\r\n6\r\n5\r\n' >"$readonly"
  chmod 444 "$readonly"
  path=$(winepath -w "$readonly")
  choose_menu File 2
  dialog_enter save "$path"
  # The dialog asks before it names an existing file; yes.
  wait_for "the question about replacing" 10 titled_count_is save 2
  xdotool key y >/dev/null 2>&1
  probe gone save 15000 >/dev/null || fail "the save dialog did not close"
  probe wait Quorvel 15000 >/dev/null || fail "no message for a read-only file"
  probe texts Quorvel >"$case_dir/message.txt"
  grep -q 'บันทึกไฟล์ไม่ได้' "$case_dir/message.txt" || fail "the message is not the save failure: $(cat "$case_dir/message.txt")"
  (($(grep -o -F "$path" "$case_dir/message.txt" | wc -l) == 1)) ||
    fail "the message does not name the path exactly once: $(cat "$case_dir/message.txt")"
  ok_message
  cmp -s "$readonly" <(printf '9\r\n8\r\n7\r\n6\r\n5\r\n') || fail "the read-only file changed: $(od -c "$readonly" | head -n 3)"
  expect_fields 444 500 5 1 1
  alive "$tapvane_pid" || fail "the program ended"
}

dialog_name=
run_case_settings_dialogs() {
  start_tapvane
  local folder name
  folder=$(dirname "$tapvane")
  dialog_name=e2e-dialogs-$$
  name=$folder/$dialog_name.kpf
  rm -f "$name"
  # Save: the title, the filter's description with its blank, a bare name lands in the program
  # folder with ".kpf" added.
  choose_menu File 2
  probe wait save 15000 >/dev/null || fail "File > Save showed no dialog titled \"save\""
  dialog_has_text save 'function ' || fail "the save dialog does not show the filter \"function \""
  answer_dialog save "$dialog_name"
  wait_for "the file saved in the program folder" 10 test -s "$name"
  sleep 0.3
  cmp -s "$name" <(printf '500\r\n500\r\n5\r\n1\r\n1\r\n') || fail "the saved file holds $(od -c "$name" | head -n 3)"

  # Save over it: asked first; no keeps the file, yes replaces it.
  type_into Text4 999
  choose_menu File 2
  dialog_enter save "$(winepath -w "$name")"
  wait_for "the question about replacing" 10 titled_count_is save 2
  probe list >"$case_dir/question.txt"
  xdotool key n >/dev/null 2>&1
  wait_for "the question answered" 10 titled_count_is save 1
  cmp -s "$name" <(printf '500\r\n500\r\n5\r\n1\r\n1\r\n') || fail "the file changed after no"
  focus_desktop save
  xdotool key Return >/dev/null 2>&1
  wait_for "the question asked again" 10 titled_count_is save 2
  xdotool key y >/dev/null 2>&1
  probe gone save 15000 >/dev/null || fail "the save dialog did not close after yes"
  wait_for "the file replaced" 10 cmp -s "$name" <(printf '999\r\n500\r\n5\r\n1\r\n1\r\n')

  # Open: the title, the filter's description; a name that does not exist is refused by the
  # dialog and changes nothing.
  type_into Text4 1
  choose_menu File 1
  probe wait open 15000 >/dev/null || fail "File > Open showed no dialog titled \"open\""
  dialog_has_text open 'function' || fail "the open dialog does not show the filter \"function\""
  dialog_enter open "no-such-settings-$$"
  # NOTE: Wine's refusal is a message box without a title, above the dialog that stays.
  wait_for "the refusal of a missing file" 10 dialog_count_is 2
  titled_count_is open 1 || fail "the open dialog closed on a missing name"
  xdotool key Return >/dev/null 2>&1
  wait_for "the refusal closed" 10 dialog_count_is 1
  focus_desktop open
  xdotool key Escape >/dev/null 2>&1
  probe gone open 15000 >/dev/null || fail "Escape did not close the open dialog"
  sleep 0.5
  probe wait Quorvel 0 >/dev/null && fail "a message came after the refused name"
  expect_fields 1 500 5 1 1
  # A name without a folder is looked up in the program folder.
  # NOTE: Wine's open dialog does not add the default extension to a name it cannot find (Windows
  # does), so the name is typed whole here; the save above has shown the extension added.
  choose_menu File 1
  answer_dialog open "$dialog_name.kpf"
  wait_for "the fields of the file in the program folder" 10 field_is Text4 999
  rm -f "$name"
}

# ink_box IMAGE X Y W H: "width height" of the dark ink (text) inside the region.
ink_box() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -threshold 45% -format '%@' info: |
    awk -F '[x+]' '{ print $1, $2 }'
}
# window_shot NAME: a screenshot of the screen and of the window, in the artifacts.
window_shot() {
  snapshot
  read_geometry
  xdotool mousemove 1000 760 >/dev/null 2>&1
  sleep 0.5
  timeout 30 import -window root "$artifacts/$1.png" || fail "no screenshot"
  convert "$artifacts/$1.png" -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$artifacts/$1-window.png"
  log "screenshot $artifacts/$1.png"
}
# Sets start_w, start_h and hint_w: the ink of Start's caption and of the hint label, from the
# screenshot NAME, at $dpi.
start_w=0 start_h=0 hint_w=0
measure_fonts() {
  local shot=$artifacts/$1.png inset=$((5 * dpi / 96))
  local bx=$((cx + 16 * dpi / 96)) by=$((cy + 248 * dpi / 96)) bw=$((3135 * dpi / 1440)) bh=$((495 * dpi / 1440))
  read -r start_w start_h < <(ink_box "$shot" $((bx + inset)) $((by + inset)) $((bw - 2 * inset)) $((bh - 2 * inset)))
  read -r hint_w _ < <(ink_box "$shot" $((cx + 16 * dpi / 96)) $((cy + 192 * dpi / 96)) $((3015 * dpi / 1440)) $((255 * dpi / 1440)))
  [[ -n "$start_w" && -n "$hint_w" ]] || fail "cannot measure the text in $shot"
}
# ratio_near A B: A / B within 1.5 +- 0.15.
ratio_near() { ((20 * $1 >= 27 * $2 && 20 * $1 <= 33 * $2)); }

run_case_dpi_144() {
  # The size of the text at the system's usual 96 DPI, for comparison.
  start_tapvane
  window_shot dpi96
  measure_fonts dpi96
  local start96_w=$start_w start96_h=$start_h hint96_w=$hint_w
  stop_tapvane
  set_log_pixels 144
  dpi=144
  start_target
  start_tapvane
  wait_for "the window at 3720 x 4990 twips at 144 DPI" 10 size_is_rule
  # The design at 144 DPI: 1.5 x the pixels of 96 DPI. field has found each control at its
  # scaled place; the sizes are checked here.
  local name twips_w twips_h w h
  for name in Text4:1095:375 Text2:2535:375 Text6:1095:375 Command4:3135:495 Option1:1095:255; do
    IFS=: read -r name twips_w twips_h <<<"$name"
    w=$(field "$name" 5) h=$(field "$name" 6)
    [[ -n "$w" ]] || fail "no $name at its place for 144 DPI"
    ((w * 10 >= twips_w - 10 && w * 10 <= twips_w + 10 && h * 10 >= twips_h - 10 && h * 10 <= twips_h + 10)) ||
      fail "$name is ${w}x$h pixels, expected $((twips_w / 10))x$((twips_h / 10))"
  done
  # At 144 DPI the window reaches below the screen; the user drags it up by its caption.
  drag $((left + 150)) $((top + 10)) $((left + 150)) $((top + 10 - 300))
  wait_for "the window moved up" 10 window_on_screen
  size_is_rule || fail "moving the window changed its size"
  window_shot dpi144
  measure_fonts dpi144
  log "Start's caption ${start96_w}x$start96_h -> ${start_w}x$start_h pixels, the hint $hint96_w -> $hint_w"
  if ! ratio_near "$start_w" "$start96_w" || ! ratio_near "$start_h" "$start96_h" || ! ratio_near "$hint_w" "$hint96_w"; then
    fail "the text is not 1.5 x as large: Start ${start96_w}x$start96_h -> ${start_w}x$start_h, hint $hint96_w -> $hint_w"
  fi
  # The size rule holds in twips.
  local mid=$(((top + bottom) / 2))
  drag $((right - 2)) "$mid" $((right + 100)) "$mid"
  wait_for "the size back after a drag of the border at 144 DPI" 10 size_is_rule
  # The read-out and the run work in physical pixels.
  xdotool mousemove 900 700 >/dev/null 2>&1
  wait_for "the read-out of 900,700" 5 readout_is " x : 900 , y :  700"
  # A point of the target right of the window, which at 144 DPI covers the rest of it.
  snapshot
  read_geometry
  ((right < 930)) || fail "the window reaches to $right, over the point to click"
  set_run_fields 930 150 2 0.01
  click_control Command4
  wait_for "the finished run" 20 caption_starts "$finished_head"
  sleep 0.5
  local down up
  down=$(count_clicks down 930 150) up=$(count_clicks up 930 150)
  ((down == 2 && up == 2)) || fail "the target got $down presses and $up releases at 930,150: $(cat "$case_dir/clicks.log")"
}
window_on_screen() { snapshot && read_geometry && ((top >= 0 && bottom <= 768)); }
# The file dialogs' library is loaded when File > Open or Save first asks for it, not at start-up.
# With it missing the program still starts; each command then says that the dialog cannot be
# shown, and the window, its fields and the read-out go on.
run_tapvane_without_dialogs() {
  cd "$case_dir" && WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}comdlg32=d" \
    exec timeout 170 wine "$tapvane"
}

run_case_dialogs_missing() {
  launch Clickora "$case_dir/tapvane.out" run_tapvane_without_dialogs ||
    fail "without comdlg32 the window \"Clickora\" did not appear"
  tapvane_pid=$launched_pid
  wait_for "the read-out" 10 readout_started
  focus_desktop
  type_into Text4 321
  local item
  for item in 1 2; do
    choose_menu File "$item"
    probe wait Quorvel 15000 >/dev/null || fail "File item $item showed no message box titled Quorvel"
    dialog_has_text Quorvel "$dialog_failed_message" ||
      fail "the message box of File item $item does not say \"$dialog_failed_message\""
    focus_desktop Quorvel
    xdotool key Return >/dev/null 2>&1
    probe gone Quorvel 10000 >/dev/null || fail "the message box did not close"
    alive "$tapvane_pid" || fail "the program ended after File item $item"
  done
  snapshot
  expect_text Text4 321
  local before
  before=$(text_of Text1)
  wait_for "the time read-out to move on" 5 time_moved_from "$before"
}

readout_started() { snapshot && [[ "$(text_of Text2)" == " x : "* ]]; }
time_moved_from() { snapshot && [[ "$(text_of Text1)" != "$1" ]]; }

main() {
  rm -rf "$case_dir" "$artifacts/$case_name-failure.png"
  mkdir -p "$case_dir" "$artifacts"
  # CLICKORA_E2E_TRACE=1 keeps a timestamped trace of the case in its work folder.
  if [[ "${CLICKORA_E2E_TRACE:-0}" == 1 ]]; then
    exec {trace_fd}>"$case_dir/trace.txt"
    BASH_XTRACEFD=$trace_fd
    PS4='+ ${EPOCHREALTIME} '
    set -x
  fi
  declare -F "run_case_$case_name" >/dev/null || fail "no such case"
  prepare_prefix
  "run_case_$case_name"
  echo "e2e $case_name: PASS"
}

# Sourced (by the release tests), the file only lends its functions.
[[ "${BASH_SOURCE[0]}" != "$0" ]] || main
