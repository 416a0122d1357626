# shellcheck shell=bash
# The cases in e2e.sh set, read and pass on what this file declares (the configuration, the
# geometry read from a snapshot, the last status), which shellcheck cannot see from here.
# shellcheck disable=SC2034,SC2119,SC2120,SC2154
# The driver of the end-to-end tests, sourced by e2e.sh once the configuration (the programs
# under test, work and artifacts) and case_name are set: the Wine prefix, starting and ending the
# programs, reading the window through probe.exe, X input with xdotool, waits and pixels.
# Every helper that finds a fault ends the case through fail.

desktop_name=clickora-e2e
screen_size=1024x768
case_dir=$work/$case_name
tapvane_pid=
target_pid=
holder_pid=
reregister=0
# The system DPI the window is laid out at; the design geometry below is scaled by it.
dpi=96
# 1: the click target logs the time of every button message as well.
target_times=0

# Design geometry of frmMousePos at 96 dpi (twips / 15), relative to the client area; field
# scales it to $dpi.
declare -A control_class=(
  [Text1]=Edit [Text2]=Edit [Text4]=Edit [Text5]=Edit [Text6]=Edit [Text7]=Edit [Text8]=Edit
  [Command4]=Button [Option1]=Button [Option2]=Button)
declare -A control_left=(
  [Text1]=40 [Text2]=40 [Text4]=40 [Text5]=136 [Text6]=40 [Text7]=248 [Text8]=136
  [Command4]=16 [Option1]=48 [Option2]=144)
declare -A control_top=(
  [Text1]=40 [Text2]=8 [Text4]=72 [Text5]=72 [Text6]=112 [Text7]=16 [Text8]=112
  [Command4]=248 [Option1]=160 [Option2]=160)

log() { echo "e2e $case_name: $*"; }

fail() {
  echo "e2e $case_name: FAIL: $*"
  mkdir -p "$artifacts"
  timeout 20 import -window root "$artifacts/$case_name-failure.png" >/dev/null 2>&1
  echo "--- windows at the failure:"
  timeout 20 wine "$probe" list 2>/dev/null
  if [[ -n "$tapvane_pid" ]] && timeout 20 wine "$probe" texts Clickora >"$case_dir/last.txt" 2>/dev/null; then
    echo "--- Clickora:"
    cat "$case_dir/last.txt"
  fi
  exit 1
}

alive() { [[ -n "$1" ]] && kill -0 "$1" 2>/dev/null; }

# NOTE: a short Wine tool (reg) now and then fails to start on a busy machine; it is tried again.
reg_add() {
  local attempt
  for attempt in 1 2 3; do
    timeout 60 wine reg add "$@" >/dev/null 2>&1 && return 0
    sleep 0.5
  done
  return 1
}

# The system DPI of the prefix (Wine's LogPixels). A case that changes it puts the old value back
# at its end, so that the other cases of the prefix are laid out at 96 DPI.
desktop_key='HKCU\Control Panel\Desktop'
log_pixels_before=
set_log_pixels() {
  log_pixels_before=$(timeout 60 wine reg query "$desktop_key" /v LogPixels 2>/dev/null |
    awk '$1 == "LogPixels" { print $3 }' | tr -d '\r')
  [[ -n "$log_pixels_before" ]] || log_pixels_before=none
  reg_add "$desktop_key" /v LogPixels /t REG_DWORD /d "$1" /f || fail "cannot set LogPixels to $1"
}
restore_log_pixels() {
  [[ -n "$log_pixels_before" ]] || return 0
  if [[ "$log_pixels_before" == none ]]; then
    timeout 60 wine reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1
  else
    reg_add "$desktop_key" /v LogPixels /t REG_DWORD /d "$((log_pixels_before))" /f
  fi
}

cleanup() {
  # Only the processes this script started, by their ids.
  for pid in $tapvane_pid $target_pid $holder_pid ${hold_pid:-}; do
    if alive "$pid"; then
      kill "$pid" 2>/dev/null
      wait "$pid" 2>/dev/null
    fi
  done
  restore_log_pixels
  [[ -z "${dialog_name:-}" ]] || rm -f "$(dirname "$tapvane")/$dialog_name.kpf"
  if ((reregister)); then
    timeout 60 wine regsvr32 /s "$horolon" >/dev/null 2>&1
  fi
}

now_ms() { date +%s%3N; }
# sleep_until_ms T: sleeps until now_ms reaches T (at once if it has).
sleep_until_ms() {
  local rest=$(($1 - $(now_ms)))
  ((rest > 0)) && sleep "$((rest / 1000)).$(printf '%03d' $((rest % 1000)))"
  return 0
}

# Registry settings of the prefix that the cases rely on. Made once per prefix (a stamp in the
# prefix says so): each is a Wine start of its own, seconds per case on a busy machine.
prepare_prefix() {
  local stamp=${WINEPREFIX:-$HOME/.wine}/clickora-e2e-prepared
  if [[ "$(cat "$stamp" 2>/dev/null)" != "$desktop_name $screen_size" ]]; then
    prepare_registry
    echo "$desktop_name $screen_size" >"$stamp"
  fi
  register_control
}

prepare_registry() {
  local app
  for app in tapvane.exe click_target.exe probe.exe hh.exe stop_key_holder.exe; do
    reg_add "HKCU\\Software\\Wine\\AppDefaults\\$app\\Explorer" /v Desktop /d "$desktop_name" /f ||
      fail "cannot set the virtual desktop of $app"
  done
  reg_add 'HKCU\Software\Wine\Explorer\Desktops' /v "$desktop_name" /d "$screen_size" /f ||
    fail "cannot set the size of the virtual desktop"
  # Thai captions are set in Tahoma; with only the TLWG fonts present they render through Loma.
  local fontlink='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
  local face
  for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "MS Sans Serif"; do
    reg_add "$fontlink" /v "$face" /t REG_MULTI_SZ /d 'Loma.ttf,Loma' /f ||
      fail "cannot link the font $face to Loma"
  done
}

register_control() {
  # Registered for every case: another test of the prefix may have unregistered the library.
  # Suites that test an installed or a portable program set e2e_register=0 and leave it alone.
  [[ "${e2e_register:-1}" == 1 ]] || return 0
  local attempt registered=0
  for attempt in 1 2 3; do
    timeout 120 wine regsvr32 /s "$horolon" >/dev/null 2>&1 && registered=1 && break
    sleep 0.5
  done
  ((registered)) || fail "regsvr32 could not register $horolon"
}

# Runs probe.exe; its own statuses are 0 (done), 1 (not found) and 2 (usage). Any other status means
# that Wine could not run it at all, which is retried a few times.
probe() {
  local attempt status
  for attempt in 1 2 3; do
    timeout 30 wine "$probe" "$@" 2>>"$case_dir/probe.err"
    status=$?
    ((status <= 2)) && return "$status"
    echo "probe $* ended with status $status (attempt $attempt)" >>"$case_dir/probe.err"
    sleep 0.5
  done
  return "$status"
}

# The X window of the virtual desktop that holds the Wine window TITLE (Clickora by default).
# NOTE: a desktop left by an earlier case may linger under the same name, so the desktop is found
# as the parent of a window that lives in it now.
# NOTE: the X side of a Wine window can lag behind the Windows side on a busy machine, so the search
# is retried for a few seconds before giving up.
desktop_window() {
  local window parent attempt
  for attempt in $(seq 1 20); do
    window=$(xdotool search --name "^${1:-Clickora}\$" 2>/dev/null | head -n 1)
    if [[ -n "$window" ]]; then
      parent=$(xwininfo -children -id "$window" 2>/dev/null |
        awk '/Parent window id:/ { print $4; exit }')
      [[ -n "$parent" ]] && printf '%d\n' "$parent" && return 0
    fi
    sleep 0.5
  done
  return 1
}

# Gives the X keyboard focus to the desktop holding TITLE, so that typed keys reach Wine.
focus_desktop() {
  local window
  window=$(desktop_window "${1:-Clickora}") || fail "no virtual desktop holding \"${1:-Clickora}\""
  xdotool windowfocus "$window" >/dev/null 2>&1
  wait_for "the keyboard focus on the virtual desktop" 5 has_focus "$window"
}
has_focus() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }

# launch TITLE OUTPUT COMMAND...: starts a Wine program in the background (its pid in launched_pid)
# and waits up to 30 s for its window TITLE.
# NOTE: a program started while the previous case's virtual desktop is still closing can die at
# once with an X error (BadWindow on X_CreateWindow); such a start is tried again.
launched_pid=
launch() {
  local title=$1 output=$2 attempt slice
  shift 2
  for attempt in 1 2 3; do
    "$@" >"$output" 2>&1 &
    launched_pid=$!
    for slice in 1 2 3 4 5 6; do
      probe wait "$title" 5000 >/dev/null && return 0
      alive "$launched_pid" || break
    done
    kill "$launched_pid" 2>/dev/null
    wait "$launched_pid" 2>/dev/null
    echo "start of \"$title\" failed (attempt $attempt): $(tr -d '\r' <"$output" | head -n 1)" \
      >>"$case_dir/probe.err"
  done
  return 1
}

run_target() {
  local times=()
  ((target_times)) && times=(times)
  exec timeout 170 wine "$click_target" "$(winepath -w "$case_dir/clicks.log" 2>/dev/null)" 650 100 300 200 \
    "${times[@]}"
}
start_target() {
  rm -f "$case_dir/clicks.log"
  launch 'Clickora click target' "$case_dir/click_target.out" run_target ||
    fail "the click target did not appear"
  target_pid=$launched_pid
}

# The tooltip text of the control NAME (a button), read from the tooltip itself.
tip_of() {
  probe tips Clickora | awk -F '\t' -v x="${control_left[$1]}" -v y="${control_top[$1]}" '
    $1 == "tip" && $2 - x <= 2 && x - $2 <= 2 && $3 - y <= 2 && y - $3 <= 2 { print $4; exit }'
}

# Another program that holds F6 until the case ends; fails when it cannot take the key.
run_holder() { exec timeout 170 wine "$stop_key_holder"; }
start_holder() {
  launch 'Clickora stop key holder' "$case_dir/holder.out" run_holder ||
    fail "the stop key holder could not take F6: $(tr -d '\r' <"$case_dir/holder.out")"
  holder_pid=$launched_pid
}
stop_holder() {
  kill "$holder_pid" 2>/dev/null
  wait "$holder_pid" 2>/dev/null
  holder_pid=
}

run_tapvane() { cd "$case_dir" && exec timeout 170 wine "$tapvane"; }
start_tapvane() {
  launch Clickora "$case_dir/tapvane.out" run_tapvane || fail "the window \"Clickora\" did not appear"
  tapvane_pid=$launched_pid
  # The read-out's first tick replaces the design text "Text2".
  local deadline=$(($(now_ms) + 10000))
  until snapshot && [[ "$(text_of Text2)" == " x : "* ]]; do
    (($(now_ms) < deadline)) || fail "the read-out never started"
    sleep 0.1
  done
  focus_desktop
}

# Reads the window and its controls into $case_dir/window.txt.
# NOTE: a read can race the window's own update and catch an empty text; the Start button never has
# an empty caption, so a snapshot without one is taken again.
snapshot() {
  local attempt
  for attempt in 1 2 3; do
    probe texts Clickora >"$case_dir/window.txt"
    [[ -n "$(field Command4 10)" ]] && return 0
    sleep 0.1
  done
  return 0
}

# field NAME COLUMN: a column of the control NAME in the last snapshot (found by class and place).
# Columns: 3 x, 4 y, 5 width, 6 height, 7 visible, 8 enabled, 9 checked, 10 text.
field() {
  local x=$((control_left[$1] * dpi / 96)) y=$((control_top[$1] * dpi / 96))
  awk -F '\t' -v class="${control_class[$1]}" -v x="$x" -v y="$y" -v col="$2" '
    $1 == "child" && tolower($2) == tolower(class) && $3 - x <= 2 && x - $3 <= 2 && $4 - y <= 2 && y - $4 <= 2 {
      print $col; exit
    }' "$case_dir/window.txt"
}
text_of() { field "$1" 10; }

# The name of the control that a child record (probe focus) describes, found by class and place.
control_named_by() {
  local name x y
  for name in "${!control_class[@]}"; do
    x=$((control_left[$name] * dpi / 96)) y=$((control_top[$name] * dpi / 96))
    awk -F '\t' -v class="${control_class[$name]}" -v x="$x" -v y="$y" '
      $1 == "child" && tolower($2) == tolower(class) && $3 - x <= 2 && x - $3 <= 2 && $4 - y <= 2 && y - $4 <= 2 {
        found = 1
      } END { exit !found }' <<<"$1" && echo "$name" && return 0
  done
  echo "${1%%$'\t'*}"
}
# The control of Clickora that holds the keyboard focus: a name, "window" or "none".
focused_control() { control_named_by "$(probe focus Clickora)"; }
focus_is() { [[ "$(focused_control)" == "$1" ]]; }

# Ends tapvane.exe (the one this case started) and waits until its window is gone.
stop_tapvane() {
  if alive "$tapvane_pid"; then
    kill "$tapvane_pid" 2>/dev/null
    wait "$tapvane_pid" 2>/dev/null
  fi
  tapvane_pid=
  probe gone Clickora 15000 >/dev/null || fail "the window stayed after the program was ended"
}

# drag X1 Y1 X2 Y2: presses the left button at the first point, moves in steps to the second and
# lets go there.
drag() {
  local steps=8 i
  xdotool mousemove "$1" "$2" sleep 0.1 mousedown 1 >/dev/null 2>&1 || fail "xdotool could not press at $1,$2"
  for ((i = 1; i <= steps; i++)); do
    xdotool mousemove $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps)) sleep 0.05 >/dev/null 2>&1
  done
  xdotool sleep 0.1 mouseup 1 >/dev/null 2>&1
}

# The window's state in the last snapshot: normal, minimized or maximized.
window_state() { awk -F '\t' '$1 == "window" { print $11; exit }' "$case_dir/window.txt"; }

# Sets left, top, right, bottom (the outer rectangle) and cx, cy (the client area's origin), in
# screen pixels, from the last snapshot.
left=0 top=0 right=0 bottom=0 cx=0 cy=0
read_geometry() {
  read -r left top right bottom cx cy < <(awk -F '\t' '$1 == "window" { print $2, $3, $4, $5, $6, $7; exit }' \
    "$case_dir/window.txt")
  [[ -n "$cy" ]] || fail "no window in the snapshot"
}

# Sets px, py to the screen point at the centre of control NAME in the last snapshot.
px=0 py=0
control_centre() {
  read_geometry
  local x y w h
  x=$(field "$1" 3) y=$(field "$1" 4) w=$(field "$1" 5) h=$(field "$1" 6)
  [[ -n "$x" ]] || fail "no control $1 in the window"
  px=$((cx + x + w / 2)) py=$((cy + y + h / 2))
}

click_at() { xdotool mousemove "$1" "$2" sleep 0.05 click 1 >/dev/null 2>&1 || fail "xdotool could not click at $1,$2"; }

click_control() {
  snapshot || fail "cannot read the window"
  control_centre "$1"
  click_at "$px" "$py"
}

# type_into NAME TEXT: replaces the text of a text box by typing, then checks what it holds.
type_into() {
  click_control "$1"
  xdotool key --delay 20 End shift+Home BackSpace >/dev/null 2>&1
  [[ -z "$2" ]] || xdotool type --delay 40 "$2" >/dev/null 2>&1
  sleep 0.2
  snapshot
  [[ "$(text_of "$1")" == "$2" ]] || fail "typing \"$2\" into $1 left \"$(text_of "$1")\""
}

expect_text() {
  local actual
  actual=$(text_of "$1")
  [[ "$actual" == "$2" ]] || fail "$1 holds \"$actual\", expected \"$2\""
}

# wait_for DESCRIPTION SECONDS COMMAND...: polls COMMAND every 0.1 s.
wait_for() {
  local what=$1 deadline=$(($(now_ms) + $2 * 1000))
  shift 2
  until "$@"; do
    (($(now_ms) < deadline)) || fail "timed out waiting for $what"
    sleep 0.1
  done
}

# Menu commands: the menu bar item is clicked where it lies, then the item below it is chosen with
# the arrow keys (the menus have no access keys).
# NOTE: Wine keeps menus inside their process, so GetMenu from the probe cannot tell where the items
# are; they lie in the menu bar just above the client area, "File" first, then "Manual".
declare -A menu_offset=([File]=15 [Manual]=53)
choose_menu() {
  local menu=$1 downs=$2 i
  snapshot || fail "cannot read the window"
  read_geometry
  click_at $((cx + menu_offset[$menu])) $((cy - 9))
  sleep 0.3
  for ((i = 0; i < downs; i++)); do
    xdotool key Down >/dev/null 2>&1
    sleep 0.1
  done
  xdotool key Return >/dev/null 2>&1
}

# process_ends SECONDS: waits until tapvane.exe has ended; its status is left in ended_status.
process_ends() {
  local deadline=$(($(now_ms) + $1 * 1000))
  while alive "$tapvane_pid"; do
    (($(now_ms) < deadline)) || return 1
    sleep 0.1
  done
  wait "$tapvane_pid"
  ended_status=$?
  tapvane_pid=
}

# count_clicks KIND X Y: lines of the click log for KIND at the point.
count_clicks() { grep -c "^$1 $2 $3\$" "$case_dir/clicks.log" 2>/dev/null || true; }
count_all() { grep -c "^$1 " "$case_dir/clicks.log" 2>/dev/null || true; }

# Pixels. colour_at IMAGE X Y prints "r g b" (0-255).
colour_at() {
  convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)] %[fx:int(255*p{'"$2"','"$3"'}.g)] %[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}
# count_pixels IMAGE X Y W H COLOUR FUZZ: pixels of the region within FUZZ of COLOUR.
count_pixels() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -fuzz "$7" -fill black +opaque "$6" -fill white -opaque "$6" \
    -format '%[fx:int(mean*w*h+0.5)]' info:
}

readout_is() {
  snapshot && [[ "$(text_of Text2)" == "$1" ]]
}

wait_for_quiet() {
  local deadline=$(($(now_ms) + $1 * 1000))
  shift
  until "$@"; do
    (($(now_ms) < deadline)) || return 1
    sleep 0.1
  done
}

caption_starts() { snapshot && [[ "$(text_of Command4)" == "$1"* ]]; }

# answer_dialog TITLE PATH: types PATH into the file dialog TITLE and confirms it.
answer_dialog() {
  probe wait "$1" 15000 >/dev/null || fail "no \"$1\" dialog"
  sleep 0.5
  focus_desktop
  xdotool key --delay 20 ctrl+a BackSpace >/dev/null 2>&1
  xdotool type --delay 20 "$2" >/dev/null 2>&1
  xdotool key Return >/dev/null 2>&1
  probe gone "$1" 15000 >/dev/null || fail "the \"$1\" dialog did not close"
}

dialog_has_text() {
  probe texts "$1" | awk -F '\t' -v want="$2" '$1 == "child" && $10 == want { found = 1 } END { exit !found }'
}

field_is() { snapshot && [[ "$(text_of "$1")" == "$2" ]]; }

# Makes Clickora the active window by clicking its title bar, which leaves the focus inside it alone.
activate_window() {
  snapshot || fail "cannot read the window"
  read_geometry
  click_at $((left + 120)) $((top + 12))
  sleep 0.3
}
