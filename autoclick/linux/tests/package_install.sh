#!/usr/bin/env bash
# Installs the Debian package on this machine, starts the installed tapvane on a virtual X server
# of its own, checks its window and its manual, and removes the package again, leaving nothing.
#   package_install.sh DEB WORK_DIR
# Fails at once without root, which dpkg -i needs, without the package (scripts/package-deb
# builds it), and when clickora is installed already, so that an installation of the user's is
# never touched.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
deb=$1
work=$2

refuse() {
  echo "FAIL: $*" >&2
  exit 1
}
((EUID == 0)) || refuse "needs root for dpkg -i"
[[ -f "$deb" ]] || refuse "no package $deb: scripts/package-deb builds it"
if dpkg-query -W -f='${Status}' clickora 2>/dev/null | grep -q installed; then
  refuse "clickora is installed on this machine already: remove it first (apt remove clickora)"
fi

rm -rf "$work"
mkdir -p "$work"
cd "$work"
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | sed 's:/$::' | grep -v '^$' >contents.txt

installed=0
after_session() {
  ((installed)) || return 0
  dpkg -r clickora >remove.log 2>&1 || { echo "dpkg -r failed:" >&2; cat remove.log >&2; }
}

tapvane=/usr/bin/tapvane
# shellcheck source=SCRIPTDIR/x11_session.sh
source "$here/x11_session.sh"

installed=1
dpkg -i "$deb" >install.log 2>&1 || fail "dpkg -i: $(cat install.log)"
for file in /usr/bin/tapvane /usr/lib/*/clickora/libhorolon.so /usr/share/clickora/manual/index.html \
  /usr/share/applications/org.clickora.tapvane.desktop /usr/share/doc/clickora/copyright; do
  [[ -f "$file" ]] || fail "the package did not install $file"
done

# From a folder of no importance: the program finds its library and manual from its own place.
start_tapvane
xdotool key F1
expect_help "F1 in the installed program"
close_help
kill "$tapvane_pid"
wait "$tapvane_pid" 2>/dev/null || true

installed=0
dpkg -r clickora >remove.log 2>&1 || fail "dpkg -r: $(cat remove.log)"
status=$(dpkg-query -W -f='${Status}' clickora 2>/dev/null || true)
[[ -z "$status" || "$status" == *not-installed ]] || fail "after dpkg -r the package is '$status'"
# Folders the system has anyway stay; the package's own files and folders must be gone.
left=()
while read -r path; do
  if [[ -f "$path" || -L "$path" ]]; then left+=("$path"); fi
done <contents.txt
for folder in /usr/lib/*/clickora /usr/share/clickora /usr/share/doc/clickora; do
  if [[ -e "$folder" ]]; then left+=("$folder"); fi
done
((${#left[@]} == 0)) || fail "left behind: ${left[*]}"
echo "PASS: package installed, ran and removed"
