# The harness of the compositor tests: a headless compositor started as it runs on a desktop,
# waited for until its socket is there, and ended by its process id with everything the test
# started. Sourced, in the work folder, with $work set. Helpers: until_true, fail, field.
fields="$work/fields.txt"

pids=()
groups=()  # process groups of their own: a compositor's session with all it started
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for ((i = ${#groups[@]} - 1; i >= 0; i--)); do kill -- "-${groups[i]}" 2>/dev/null || true; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do wait "${pids[i]}" 2>/dev/null || true; done
  end_session_processes
}

# The processes of this test's compositor session, whatever became of their parents (a compositor
# may fork, and what it started may outlive it): they carry CLICKORA_TEST_SESSION naming this
# test's folder, which no other test shares, and the test's own shell does not. Ended by their
# ids, forcibly after a second.
session_processes() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    ((pid == $$)) && continue
    if { tr '\0' '\n' <"$environ"; } 2>/dev/null | grep -qxF "CLICKORA_TEST_SESSION=$work"; then
      echo "$pid"
    fi
  done
  return 0
}
end_session_processes() {
  local left
  left=$(session_processes)
  [[ -z "$left" ]] && return 0
  # shellcheck disable=SC2086  # a list of ids
  kill $left 2>/dev/null || true
  sleep 1
  left=$(session_processes)
  # shellcheck disable=SC2086
  if [[ -n "$left" ]]; then kill -9 $left 2>/dev/null || true; fi
  if mountpoint -q "$runtime/doc" 2>/dev/null; then umount -l "$runtime/doc" || true; fi
  return 0
}
trap cleanup EXIT
# A step that fails outside fail() says which it was.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

fail() {
  echo "FAIL: $*" >&2
  local log
  for log in "$fields" tapvane.log compositor.log; do
    [[ -s "$log" ]] && { echo "--- $log:" >&2; tail -n 30 "$log" >&2; }
  done
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

# shellcheck source=SCRIPTDIR/private_dbus.sh
source "$here/private_dbus.sh"

# A session bus of the test's own that starts no service by itself: the compositor and what the
# test starts are all there is on it (a desktop portal started on demand would mount its document
# store in the runtime folder and outlive the test).
bus_config="$work/session-bus.conf"
cat >"$bus_config" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
# start_session_group COMMAND...: COMMAND in a session bus of the test's own, in a process group
# of its own that the end of the test ends whole; sets compositor_pid.
start_session_group() {
  setsid env CLICKORA_TEST_SESSION="$work" dbus-run-session --config-file="$bus_config" -- "$@" \
    >compositor.log 2>&1 &
  compositor_pid=$!
  groups+=("$compositor_pid")
}

# A runtime folder of the compositor's user, as a login session has one.
runtime="$work/runtime"
make_runtime() {
  rm -rf "$runtime"
  mkdir -m 700 "$runtime"
  chown "$1" "$runtime"
}
export XDG_RUNTIME_DIR="$runtime"

# start_sway CONFIG: sway on its headless backend, as nobody (it refuses to run as root), in an
# environment of its own; sets WAYLAND_DISPLAY, SWAYSOCK and compositor_pid. Clients of root
# reach its socket all the same.
start_sway() {
  make_runtime nobody:nogroup
  # In a process group of its own, which the end of the test ends whole (XWayland with it).
  setsid env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" CLICKORA_TEST_SESSION="$work" \
    WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    setpriv --reuid=nobody --regid=nogroup --clear-groups sway -c "$1" >compositor.log 2>&1 &
  compositor_pid=$!
  groups+=("$compositor_pid")
  until_true 10 compgen -G "$runtime/sway-ipc.*.sock" >/dev/null \
    || fail "sway did not start: $(tail -n 20 compositor.log)"
  until_true 5 compgen -G "$runtime/wayland-*.lock" >/dev/null || fail "sway made no socket"
  SWAYSOCK=$(compgen -G "$runtime/sway-ipc.*.sock" | head -n1)
  WAYLAND_DISPLAY=$(basename "$(compgen -G "$runtime/wayland-*.lock" | head -n1)" .lock)
  export SWAYSOCK WAYLAND_DISPLAY
}

# sway_x_display: the display of sway's XWayland, opened to root (XWayland admits only its own
# user's clients); sets and exports DISPLAY.
sway_x_display() {
  # NOTE: sway splits a command at each semicolon, quoted or not: the steps go in a script.
  printf 'echo "$DISPLAY" >%s/display.txt\nxhost +si:localuser:root\n' "$runtime" >x_setup.sh
  chmod 644 x_setup.sh
  swaymsg -q -- exec "sh $work/x_setup.sh" || fail "swaymsg exec"
  until_true 10 test -s "$runtime/display.txt" || fail "sway's XWayland has no display"
  DISPLAY=$(cat "$runtime/display.txt")
  export DISPLAY
  until_true 10 xdpyinfo >/dev/null 2>&1 || fail "XWayland $DISPLAY does not admit root"
}

# The program as an X client of the session, its fields written where the tests read them.
start_tapvane() {
  CLICKORA_DUMP_FIELDS="$fields" QT_QPA_PLATFORM=xcb "$tapvane" >tapvane.log 2>&1 &
  tapvane_pid=$!
  pids+=("$tapvane_pid")
  until_true 20 xdotool search --name '^Clickora$' >window.txt 2>/dev/null \
    || fail "no window named Clickora appeared"
  window=$(head -n1 window.txt)
  until_true 10 field_is Form.Caption Clickora || fail "the caption is not Clickora"
}

# type_run X Y CLICKS PERIOD: the fields typed in, from Start, which has the focus at start-up
# (Tab visits Text2, Text4, Text5, Text6 and Text8 and selects a field's whole text), and the
# focus back on Start.
type_run() {
  xdotool windowfocus --sync "$window"
  xdotool key --delay 50 Tab Tab
  xdotool type --delay 30 -- "$1"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 -- "$2"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$3"
  xdotool key --delay 50 Tab
  xdotool type --delay 30 "$4"
  until_true 5 bash -c "grep -qx -- 'Text4=$1' '$fields' && grep -qx -- 'Text5=$2' '$fields' \
    && grep -qx 'Text6=$3' '$fields' && grep -qx 'Text8=$4' '$fields'" || fail "typed fields"
  xdotool key --delay 50 Tab Tab Tab
}
press_start() {
  xdotool key space
  until_true 5 field_is Command4.Enabled False || fail "Start was not pressed"
}
run_ends() { until_true "${1:-15}" field_is Command4.Enabled True || fail "the run did not end"; }

# start_kwin: KWin on its virtual backend with two 1280x720 outputs and XWayland, in a session
# bus of its own, as root, with its home, configuration and caches in the work folder; sets
# WAYLAND_DISPLAY, DISPLAY, DBUS_SESSION_BUS_ADDRESS and compositor_pid. Desktop entries put into $XDG_DATA_HOME/
# applications before it starts are known to it (their cache is built first).
# NOTE: Debian's kwin_wayland carries a file capability, which a container cannot execute: a
# plain copy of it runs.
export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" \
  XDG_CACHE_HOME="$work/home/cache"
start_kwin() {
  make_runtime root
  mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
  kbuildsycoca5 --noincremental >sycoca.log 2>&1 || fail "kbuildsycoca5: $(cat sycoca.log)"
  cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
  printf '#!/bin/sh\necho "$DBUS_SESSION_BUS_ADDRESS" >%s/bus.txt\necho "$DISPLAY" >%s/display.txt\nexec sleep 600\n' \
    "$runtime" "$runtime" >session.sh
  chmod 755 session.sh
  start_session_group "$work/kwin_wayland" --virtual --width 1280 --height 720 --output-count 2 \
    --no-lockscreen --no-kactivities --xwayland --socket wayland-kwin \
    --exit-with-session "$work/session.sh"
  until_true 20 test -S "$runtime/wayland-kwin" || fail "KWin did not start"
  until_true 20 test -s "$runtime/display.txt" || fail "KWin's XWayland has no display"
  export WAYLAND_DISPLAY=wayland-kwin
  DISPLAY=$(cat "$runtime/display.txt")
  DBUS_SESSION_BUS_ADDRESS=$(cat "$runtime/bus.txt")
  export DISPLAY DBUS_SESSION_BUS_ADDRESS
  until_true 10 xdpyinfo >/dev/null 2>&1 || fail "XWayland $DISPLAY does not answer"
}

# start_mutter [nopipewire]: mutter headless with two virtual monitors (1280x720 and 800x600) in
# a session bus of its own, PipeWire started first unless told not to; sets WAYLAND_DISPLAY,
# DBUS_SESSION_BUS_ADDRESS and compositor_pid. It runs no XWayland: the program's window goes on
# an X server of its own (start_xvfb), while its clicks go through mutter.
start_mutter() {
  make_runtime root
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME"
  {
    echo '#!/bin/sh'
    [[ "${1:-}" == nopipewire ]] || echo 'pipewire >pipewire.log 2>&1 &'
    echo 'mutter --headless --wayland --no-x11 --wayland-display=wayland-mutter --sm-disable \'
    echo '  --virtual-monitor 1280x720 --virtual-monitor 800x600 >mutter.log 2>&1 &'
    echo 'echo "$DBUS_SESSION_BUS_ADDRESS" >bus.txt'
    echo 'wait'
  } >session.sh
  chmod 755 session.sh
  start_session_group "$work/session.sh"
  until_true 20 test -S "$runtime/wayland-mutter" || fail "mutter did not start: $(cat mutter.log)"
  until_true 5 test -s bus.txt || fail "no session bus"
  export WAYLAND_DISPLAY=wayland-mutter
  DBUS_SESSION_BUS_ADDRESS=$(cat bus.txt)
  export DBUS_SESSION_BUS_ADDRESS
  until_true 10 bash -c "dbus-send --session --print-reply --dest=org.freedesktop.DBus \
    /org/freedesktop/DBus org.freedesktop.DBus.ListNames | grep -q org.gnome.Mutter.RemoteDesktop" \
    || fail "mutter offers no RemoteDesktop: $(cat mutter.log)"
}

# start_xvfb: a virtual X server of its own for the program's window; sets DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>display.txt 2>xvfb.log &
  pids+=($!)
  until_true 10 test -s display.txt || fail "Xvfb did not start: $(cat xvfb.log)"
  DISPLAY=":$(head -n1 display.txt)"
  export DISPLAY
}
