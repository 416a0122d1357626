#!/bin/sh
# The Wine environment the Windows tests run in, one per ctest run:
#   wine-env.sh setup STATE_DIR      fresh 64-bit prefix in STATE_DIR/prefix, Xvfb on a free display
#   wine-env.sh run STATE_DIR CMD..  runs CMD (bounded by a timeout) with DISPLAY of that Xvfb
#   wine-env.sh teardown STATE_DIR   ends the wineserver and the Xvfb that setup started
# The Wine variables themselves (WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES) come from the
# caller's environment; CTest sets them on every test (ClickoraWine.cmake).
set -u

action=${1:?usage: wine-env.sh setup|run|teardown STATE_DIR [command...]}
state=${2:?usage: wine-env.sh setup|run|teardown STATE_DIR [command...]}
shift 2

: "${WINEPREFIX:=$state/prefix}"
: "${WINEARCH:=win64}"
: "${WINEDEBUG:=-all}"
: "${WINEDLLOVERRIDES:=mscoree,mshtml=}"
export WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES

display_file=$state/display
xvfb_pid_file=$state/xvfb.pid
run_timeout=${CLICKORA_WINE_TIMEOUT:-300}

stop_all() {
  if [ -d "$WINEPREFIX" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1
  fi
  if [ -f "$xvfb_pid_file" ]; then
    pid=$(cat "$xvfb_pid_file")
    # Only the Xvfb this script started, never another process that took over the id.
    if [ -n "$pid" ] && [ "$(cat /proc/"$pid"/comm 2>/dev/null)" = Xvfb ]; then
      kill "$pid" 2>/dev/null
    fi
    rm -f "$xvfb_pid_file"
  fi
  rm -f "$display_file"
}

start_xvfb() {
  n=90
  while [ "$n" -lt 400 ]; do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      # Xvfb must not hold ctest's output pipes, or ctest waits for it to end.
      setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset \
        </dev/null >"$state/xvfb.log" 2>&1 &
      echo $! >"$xvfb_pid_file"
      tries=0
      while [ "$tries" -lt 50 ]; do
        if timeout 5 xdpyinfo -display ":$n" >/dev/null 2>&1; then
          echo ":$n" >"$display_file"
          return 0
        fi
        # Lost the display to another server starting at the same moment: take the next one.
        kill -0 "$(cat "$xvfb_pid_file")" 2>/dev/null || break
        sleep 0.1
        tries=$((tries + 1))
      done
      kill "$(cat "$xvfb_pid_file")" 2>/dev/null
      rm -f "$xvfb_pid_file"
    fi
    n=$((n + 1))
  done
  echo "wine-env: no free X display for Xvfb" >&2
  return 1
}

case $action in
  setup)
    mkdir -p "$state"
    stop_all
    rm -rf "$WINEPREFIX"
    start_xvfb || exit 1
    DISPLAY=$(cat "$display_file")
    export DISPLAY
    # A persistent wineserver started with its output away from ctest's pipes; teardown ends it.
    timeout 30 wineserver -p </dev/null >"$state/wineserver.log" 2>&1
    if ! timeout 180 wine wineboot -i </dev/null >"$state/wineboot.log" 2>&1; then
      echo "wine-env: wineboot failed, see $state/wineboot.log" >&2
      stop_all
      exit 1
    fi
    if ! timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      </dev/null >>"$state/wineboot.log" 2>&1; then
      echo "wine-env: could not turn off the crash dialog" >&2
      stop_all
      exit 1
    fi
    echo "wine-env: prefix $WINEPREFIX ready, display $DISPLAY"
    ;;
  run)
    if [ ! -f "$display_file" ]; then
      echo "wine-env: no Wine environment in $state (the setup test did not run or failed)" >&2
      exit 1
    fi
    DISPLAY=$(cat "$display_file")
    export DISPLAY
    exec timeout --kill-after=10 "$run_timeout" "$@"
    ;;
  teardown)
    stop_all
    if [ "${CLICKORA_WINE_KEEP_PREFIX:-0}" = 0 ]; then
      rm -rf "$WINEPREFIX"
    fi
    echo "wine-env: stopped"
    ;;
  *)
    echo "wine-env: unknown action $action" >&2
    exit 2
    ;;
esac
