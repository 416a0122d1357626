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

start_tapvane() {
  CLICKORA_DUMP_FIELDS="$fields" CLICKORA_DUMP_HELP="$help_dump" "${1:-$tapvane}" >tapvane.log 2>&1 &
  tapvane_pid=$!
  pids+=("$tapvane_pid")
  until_true 20 xdotool search --name '^Clickora$' >window.txt 2>/dev/null \
    || fail "no window named Clickora appeared"
  window=$(head -n1 window.txt)
  until_true 10 field_is Form.Caption Clickora || fail "the caption is not Clickora"
}

