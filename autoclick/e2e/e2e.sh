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
