# A virtual X server for a test of tapvane, and the helpers the tests share. Sourced, in the work
# folder, with $work (that folder) and $tapvane (the program) set; starts the server on a free
# display at once and stops it, and every process in pids, when the test ends (then it calls
# after_session if the test defines one). $xvfb_extra, if set, adds options of the server.
fields="$work/fields.txt"

pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if declare -F after_session >/dev/null; then after_session; fi
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [[ -f "$fields" ]] && { echo "--- window fields:" >&2; cat "$fields" >&2; }
  [[ -f tapvane.log ]] && { echo "--- tapvane output:" >&2; cat tapvane.log >&2; }
  exit 1
}

# until SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; fails after SECONDS.
until_true() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.05
  done
}

field() { sed -n "s/^$1=//p" "$fields" 2>/dev/null; }
field_is() { [[ "$(field "$1")" == "$2" ]]; }

# What the help window shows, from the file it writes when CLICKORA_DUMP_HELP names one.
help_dump="$work/help.txt"
manual_title="Clickora - คู่มือการใช้งาน / Manual"
help_field_is() { [[ "$(sed -n "s/^$1=//p" "$help_dump" 2>/dev/null)" == "$2" ]]; }
help_names='^(Clickora - |หน้าต่างโปรแกรม)'  # the captions of the pages the tests visit
help_window() { xdotool search --onlyvisible --name "$help_names" >/dev/null 2>&1; }
no_help_window() { ! help_window; }
message_box() { xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; }
no_message_box() { ! message_box; }
# What the last message box showed (Caption, Text, Icon, Buttons), from the file it writes when
# CLICKORA_DUMP_MESSAGE names one.
message_dump="$work/message.txt"
message_field() { sed -n "s/^$1=//p" "$message_dump" 2>/dev/null; }
message_dumped() { [[ -n "$(message_field Buttons)" ]]; }  # the box writes its buttons last
# expect_message TEXT: a box of the program's own is up showing TEXT, with no icon and its one
# button "ตกลง" (OK); Enter closes it.
expect_message() {
  until_true 5 message_box || fail "no message box for '$1'"
  until_true 5 message_dumped || fail "the message box wrote nothing"
  [[ "$(message_field Text)" == "$1" ]] || fail "message '$(message_field Text)', not '$1'"
  [[ "$(message_field Caption)" == Quorvel && "$(message_field Icon)" == none \
    && "$(message_field Buttons)" == "ตกลง" ]] || fail "message box: $(cat "$message_dump")"
  xdotool key Return
  until_true 5 no_message_box || fail "Enter did not close the message box"
  rm -f "$message_dump"
}

# What the click target counted: clicks_are PRESSES SINGLES DOUBLES.
clicks_are() { [[ "$(cat clicks.txt)" == "$1 $2 $3" ]]; }
start_click_target() {
  "$click_target" "$work/clicks.txt" 40 40 120 120 &
  pids+=($!)
  until_true 10 test -s clicks.txt || fail "the click target did not come up"
}

# Without a window manager the client area (below the menu bar) lies at its designed point,
# 5145 x 4395 twips: 343 x 293 pixels at 96 DPI. click_client X Y clicks at a point of it.
click_client() { xdotool mousemove $((343 + $1)) $((293 + $2)) click 1; }
# set_field NAME X Y TEXT: clicks into the field at X, Y of the client area and types TEXT over
# its whole text.
set_field() {
  click_client "$2" "$3"
  xdotool key --delay 30 ctrl+a
  xdotool type --delay 20 -- "$4"
  until_true 5 field_is "$1" "$4" || fail "typed $1: '$(field "$1")', not '$4'"
}
# The fields' centres in the client area (their designed places in twips, at 15 to the pixel).
set_x() { set_field Text4 76 84 "$1"; }
set_y() { set_field Text5 172 84 "$1"; }
set_clicks() { set_field Text6 76 124 "$1"; }
set_period() { set_field Text8 172 124 "$1"; }
choose_double() { click_client 160 168; }
press_start() {
  click_client 120 264
  until_true 5 field_is Command4.Enabled False || fail "Start was not pressed"
}
# fields_are T4 T5 T6 T7 T8: the five fields of the settings file hold these texts.
fields_are() {
  field_is Text4 "$1" && field_is Text5 "$2" && field_is Text6 "$3" && field_is Text7 "$4" \
    && field_is Text8 "$5"
}

# file_menu N: chooses the Nth item of the File menu (1 Open, 2 Save, 3 Exit).
file_menu() {
  eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y: the window's top-left
  xdotool mousemove $((X + 20)) $((Y + 10)) click 1
  sleep 0.3
  local downs=()
  for ((i = 0; i < $1; i++)); do downs+=(Down); done
  xdotool key --delay 50 "${downs[@]}" Return
}
# file_dialog TITLE PATH: in the file dialog titled TITLE, types PATH as the file's name and
# confirms it; with PATH "cancel", cancels the dialog by Esc.
file_dialog() {
  until_true 10 xdotool search --onlyvisible --name "^$1\$" >dialog.txt 2>/dev/null \
    || fail "no file dialog titled '$1'"
  sleep 0.5  # the dialog lists its folder and puts the focus on the name
  if [[ "$2" == cancel ]]; then
    xdotool key Escape
  else
    xdotool key --delay 30 ctrl+a
    xdotool type --delay 10 "$2"
    sleep 0.3
    xdotool key Return
  fi
  until_true 10 bash -c "! xdotool search --onlyvisible --name '^$1\$' >/dev/null 2>&1" \
    || fail "the '$1' dialog did not close"
}
# expect_help WHAT: the help window is up at the manual's first page; Esc puts it away.
expect_help() {
  until_true 5 help_window || fail "$1 opened no help window"
  until_true 5 help_field_is Title "$manual_title" || fail "$1: help title '$(cat "$help_dump")'"
  help_field_is Heading "$manual_title" && help_field_is Page index.html \
    || fail "$1: help page '$(cat "$help_dump")'"
}
close_help() {
  xdotool key Escape
  until_true 5 no_help_window || fail "Esc did not put the help window away"
}

# The server picks a free display itself and reports its number, so parallel tests and other
# servers on the machine never collide.
# shellcheck disable=SC2086  # xvfb_extra: options, split on blanks
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp ${xvfb_extra:-} 3>display.txt \
  2>xvfb.log &
pids+=($!)
until_true 10 test -s display.txt || fail "Xvfb did not start: $(cat xvfb.log)"
export DISPLAY=":$(head -n1 display.txt)"
export QT_QPA_PLATFORM=xcb
unset XDG_CURRENT_DESKTOP QT_QPA_PLATFORMTHEME

# shellcheck source=SCRIPTDIR/private_dbus.sh
source "$here/private_dbus.sh"

start_tapvane() {
  CLICKORA_DUMP_FIELDS="$fields" CLICKORA_DUMP_HELP="$help_dump" \
    CLICKORA_DUMP_MESSAGE="$message_dump" "${1:-$tapvane}" >tapvane.log 2>&1 &
  tapvane_pid=$!
  pids+=("$tapvane_pid")
  until_true 20 xdotool search --name '^Clickora$' >window.txt 2>/dev/null \
    || fail "no window named Clickora appeared"
  window=$(head -n1 window.txt)
  until_true 10 field_is Form.Caption Clickora || fail "the caption is not Clickora"
}

