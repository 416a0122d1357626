# A session bus and a system bus of the test's own, started at once and stopped with the test
# (through pids), with stand-ins of the desktop's services (autoclick/e2e/dbus_standins.py) that
# log what the program asks into dbus.log: logind by default, so that a run can keep the computer
# awake; $dbus_services, if set, names others ("login1,portal,screensaver"; "" for none). The
# Python driver's cases start theirs through clickora_e2e/private_dbus.py. Sourced by the
# sessions' harnesses, in the work folder, with $work, $here, pids, until_true and fail.
dbus_log="$work/dbus.log"
# start_bus NAME: a bus that only this test's processes use; its address in NAME-bus.txt.
start_bus() {
  cat >"$work/$1-bus.conf" <<CONF
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
  dbus-daemon --nofork --config-file="$work/$1-bus.conf" --print-address=3 3>"$work/$1-bus.txt" \
    2>"$work/$1-bus.log" &
  pids+=($!)
  until_true 10 test -s "$work/$1-bus.txt" || fail "the $1 bus did not start"
}
start_bus session
start_bus system
export DBUS_SESSION_BUS_ADDRESS DBUS_SYSTEM_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/session-bus.txt")
DBUS_SYSTEM_BUS_ADDRESS=$(head -n1 "$work/system-bus.txt")
# Debian's own Python: python3-dbus and python3-gi are installed for it.
/usr/bin/python3 "$here/../../e2e/dbus_standins.py" "$dbus_log" --services "${dbus_services-login1}" \
  2>"$work/standins.log" &
pids+=($!)
until_true 10 grep -qsx ready "$dbus_log" \
  || fail "the D-Bus stand-ins did not start: $(cat "$work/standins.log")"
