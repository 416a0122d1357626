#!/usr/bin/env bash
# The release tests' cases: release_cases.sh CONFIG CASE, CASE one of
#   artifacts  dist/ holds exactly the artifacts, each exactly its files, stripped, with the
#              version, importing only the system's known DLLs, with DependentLoadFlags the system
#              folder (the installer: its imports and its stub's restricted search); SHA256SUMS
#              matches
#   installer  (in a fresh Wine prefix) an earlier version, then this one, installed silently: the
#              files, the shortcut, the control's class keys and the uninstall entry; the script
#              host creates the control by ProgID; a 3-click run of the installed program lands;
#              the silent uninstall leaves no file, shortcut, key or entry behind
#   portable   (in a fresh Wine prefix, nothing registered) the unzipped program makes a 3-click
#              run land and writes no key of the control; without horolon.ocx it says why and
#              exits with status 3
# The Wine cases drive the program with the end-to-end suite's functions (autoclick/e2e/e2e.sh).
# Prints "release CASE: PASS" at the end of a case that passed.
set -uo pipefail
release_config=${1:?usage: release_cases.sh CONFIG CASE}
release_case=${2:?usage: release_cases.sh CONFIG CASE}
# shellcheck source=/dev/null
. "$release_config"
: "${dist:?}" "${version:?}" "${horolon_clsid:?}" "${horolon_libid:?}" "${source_dir:?}" "${work:?}"
here=$(cd "$(dirname "$0")" && pwd)

setup_exe=$dist/clickora-$version-setup.exe
zip64=$dist/clickora-$version-windows-x64.zip
zip86=$dist/clickora-$version-windows-x86.zip
portable_files=$'horolon.ocx\nmanual.chm\nreadme.txt\ntapvane.exe'
# The control's version strings: major.minor with two digits of minor.
IFS=. read -r major minor _ <<<"$version"
control_version=$(printf '%d.%02d' "$major" "$minor")

# --- artifacts: no Wine, so a plain fail.
artifacts_fail() {
  echo "release artifacts: FAIL: $*"
  exit 1
}

run_artifacts() {
  local expected listed
  expected=$(printf '%s\n' SHA256SUMS "clickora-$version-setup.exe" "clickora-$version-windows-x64.zip" \
    "clickora-$version-windows-x86.zip")
  [[ -x $source_dir/scripts/package-deb ]] &&
    expected=$(printf '%s\nclickora_%s_amd64.deb\n' "$expected" "$version" | LC_ALL=C sort)
  listed=$(find "$dist" -mindepth 1 -maxdepth 1 -printf '%f\n' 2>/dev/null | LC_ALL=C sort)
  [[ "$listed" == "$expected" ]] ||
    artifacts_fail "dist/ holds \"$(echo $listed)\", expected \"$(echo $expected)\" (run scripts/package)"

  (cd "$dist" && sha256sum --check --strict --quiet SHA256SUMS) || artifacts_fail "SHA256SUMS does not match"
  (($(wc -l <"$dist/SHA256SUMS") == $(wc -l <<<"$expected") - 1)) ||
    artifacts_fail "SHA256SUMS does not list every artifact"

  local dir=$work/artifacts arch zip
  rm -rf "$dir"
  for arch in x64 x86; do
    zip=$dist/clickora-$version-windows-$arch.zip
    listed=$(unzip -Z1 "$zip" | LC_ALL=C sort)
    [[ "$listed" == "$portable_files" ]] || artifacts_fail "$(basename "$zip") holds \"$(echo $listed)\""
    mkdir -p "$dir/$arch"
    unzip -q "$zip" -d "$dir/$arch" || artifacts_fail "cannot unzip $(basename "$zip")"
    python3 "$here/pe_check.py" "$arch" "$version.0" "$dir/$arch/tapvane.exe" || artifacts_fail "tapvane.exe ($arch)"
    python3 "$here/pe_check.py" "$arch" "$control_version" "$dir/$arch/horolon.ocx" ||
      artifacts_fail "horolon.ocx ($arch)"
    [[ "$(head -c 3 "$dir/$arch/readme.txt")" == $'\xef\xbb\xbf' ]] || artifacts_fail "readme.txt ($arch) has no BOM"
    grep -q "Clickora $version for Windows ($arch)" "$dir/$arch/readme.txt" ||
      artifacts_fail "readme.txt ($arch) does not name the version and width"
  done

  # The installer: a 64-bit program whose payload is the stripped x64 files and the x86 control,
  # byte for byte those of the zips. ($PLUGINSDIR is the installer's own, uninstall.exe is made
  # at installation.)
  python3 - "$setup_exe" <<'PY' || artifacts_fail "the installer is not a 64-bit program"
import struct, sys
data = open(sys.argv[1], "rb").read(4096)
(pe,) = struct.unpack_from("<I", data, 0x3C)
sys.exit(0 if data[pe:pe + 4] == b"PE\0\0" and struct.unpack_from("<H", data, pe + 4)[0] == 0x8664 else 1)
PY
  # NSIS 3's stub loads nothing from the folder it runs in: it imports only the system's known
  # DLLs (and the common controls side by side, through its manifest), asks for
  # SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) before it loads anything else and
  # loads the rest by full path from the system folder.
  python3 "$here/pe_check.py" --imports x64 "$setup_exe" || artifacts_fail "the installer's imports"
  grep -a -q SetDefaultDllDirectories "$setup_exe" ||
    artifacts_fail "the installer's stub does not restrict its library search (NSIS 3 does)"
  listed=$(7z l -slt "$setup_exe" | sed -n 's/^Path = //p' | grep -v -e '^\$PLUGINSDIR/' -e '^uninstall.exe$' |
    grep -vxF "$setup_exe" | LC_ALL=C sort)
  [[ "$listed" == $'horolon.ocx\nmanual.chm\ntapvane.exe\nx86/horolon.ocx' ]] ||
    artifacts_fail "the installer holds \"$(echo $listed)\""
  mkdir -p "$dir/setup"
  7z x -y -o"$dir/setup" "$setup_exe" >/dev/null || artifacts_fail "cannot unpack the installer"
  local file
  for file in tapvane.exe horolon.ocx manual.chm; do
    cmp -s "$dir/setup/$file" "$dir/x64/$file" || artifacts_fail "the installer's $file is not the x64 zip's"
  done
  cmp -s "$dir/setup/x86/horolon.ocx" "$dir/x86/horolon.ocx" ||
    artifacts_fail "the installer's x86/horolon.ocx is not the x86 zip's"
}

if [[ $release_case == artifacts ]]; then
  run_artifacts
  echo "release artifacts: PASS"
  exit 0
fi

# --- the Wine cases, on the end-to-end suite's functions.
[[ -n "${WINEPREFIX:-}" && -n "${DISPLAY:-}" ]] || { echo "release $release_case: FAIL: no Wine environment"; exit 1; }
[[ -f $setup_exe && -f $zip64 ]] || { echo "release $release_case: FAIL: no artifacts in $dist (run scripts/package)"; exit 1; }
drive_c=$WINEPREFIX/drive_c
install_dir="$drive_c/Program Files/Clickora"
install_dir_win='C:\Program Files\Clickora'
menu_folder="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Clickora"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Clickora'
portable_dir="$drive_c/Portable Clickora"

e2e_config=$work/$release_case/e2e-config.sh
mkdir -p "$work/$release_case"
case $release_case in
  installer) program_dir=$install_dir ;;
  portable) program_dir=$portable_dir ;;
  *) echo "release $release_case: FAIL: no such case"; exit 1 ;;
esac
cat >"$e2e_config" <<CFG
tapvane='$program_dir/tapvane.exe'
horolon='$program_dir/horolon.ocx'
probe='$probe'
click_target='$click_target'
work='$work/$release_case/e2e'
artifacts='$artifacts'
CFG
# The program under test is installed or unzipped, never registered by the suite.
e2e_register=0
# shellcheck source=/dev/null
. "$e2e_script" "$e2e_config" "release_$release_case"
mkdir -p "$case_dir"

# reg output without CRs; value_of KEY NAME prints the data of a value ("(Default)" for the default).
reg_query() { timeout 60 wine reg query "$@" 2>/dev/null | tr -d '\r'; }
has_key() { timeout 60 wine reg query "$1" >/dev/null 2>&1; }
value_of() {
  reg_query "$1" | awk -v name="$2" '{
    line = $0; sub(/^ +/, "", line)
    if (index(line, name "    ") == 1) { sub(/^[^ ]+( [^ ]+)* +REG_[A-Z_]+ +/, "", line); print line; exit }
  }'
}
expect_value() {
  local actual
  actual=$(value_of "$1" "$2")
  [[ "$actual" == "$3" ]] || fail "$1 $2 is \"$actual\", expected \"$3\""
}

# Every key of the control, in the machine's and the user's classes and the 32-bit view.
control_keys=(
  "HKCR\\CLSID\\{$horolon_clsid}" 'HKCR\Horolib.LongTimer' "HKCR\\TypeLib\\{$horolon_libid}"
  "HKCU\\Software\\Classes\\CLSID\\{$horolon_clsid}" 'HKCU\Software\Classes\Horolib.LongTimer'
  "HKLM\\Software\\Classes\\WOW6432Node\\CLSID\\{$horolon_clsid}")
expect_no_control_keys() {
  local key
  for key in "${control_keys[@]}"; do
    has_key "$key" && fail "$1: the registry holds $key"
  done
  return 0
}

# A run of 3 clicks at (800, 200) lands on the click target; the program is then closed.
three_click_run() {
  run_clicks 3 0.02 single
  local down up
  down=$(count_clicks down 800 200) up=$(count_clicks up 800 200)
  ((down == 3 && up == 3)) || fail "the target got $down presses and $up releases at 800,200; expected 3 and 3"
  (($(wc -l <"$case_dir/clicks.log") == 6)) || fail "the target got clicks elsewhere: $(cat "$case_dir/clicks.log")"
  probe close Clickora >/dev/null
  process_ends 15 || fail "the program did not end when closed"
  ((ended_status == 0)) || fail "the program ended with status $ended_status"
  # The target goes too: left open, it would keep the focus from the next window of the desktop.
  kill "$target_pid" 2>/dev/null
  wait "$target_pid" 2>/dev/null
  target_pid=
}

install_silently() {  # install_silently SETUP [/D=folder]; /D= must come last
  timeout 180 wine "$1" /S "${@:2}" </dev/null >"$case_dir/setup.out" 2>&1
  local status=$?
  ((status == 0)) || fail "$(basename "$1") /S ended with status $status"
}

run_installer() {
  # An earlier version, made from this release's own files under an older number and installed
  # into another folder: the new installer must remove it.
  local stage=$case_dir/older older=$case_dir/clickora-0.9.0-setup.exe
  mkdir -p "$stage/x64" "$stage/x86"
  unzip -q -o "$zip64" -d "$stage/x64" && unzip -q -o "$zip86" horolon.ocx -d "$stage/x86" ||
    fail "cannot unzip the portable files"
  makensis -INPUTCHARSET UTF8 -V1 -DVERSION=0.9.0 -DSTAGE64="$stage/x64" -DSTAGE32="$stage/x86" \
    -DICON="$source_dir/autoclick/assets/tapvane.ico" -DOUTFILE="$older" \
    "$source_dir/packaging/installer.nsi" >"$case_dir/makensis.out" 2>&1 || fail "cannot build the earlier installer"
  install_silently "$older" '/D=C:\Clickora-0.9'
  expect_value "$uninstall_key" DisplayVersion 0.9.0
  [[ -f "$drive_c/Clickora-0.9/tapvane.exe" ]] || fail "the earlier version is not in C:\\Clickora-0.9"

  install_silently "$setup_exe"
  [[ ! -e "$drive_c/Clickora-0.9" ]] || fail "the earlier version's folder is left: $(find "$drive_c/Clickora-0.9")"
  local listed
  listed=$(cd "$install_dir" 2>/dev/null && find . -type f -printf '%P\n' | LC_ALL=C sort)
  [[ "$listed" == $'horolon.ocx\nmanual.chm\ntapvane.exe\nuninstall.exe\nx86/horolon.ocx' ]] ||
    fail "the install folder holds \"$(echo $listed)\""
  unzip -q -o "$zip64" tapvane.exe -d "$case_dir/zip64" && cmp -s "$case_dir/zip64/tapvane.exe" "$install_dir/tapvane.exe" ||
    fail "the installed tapvane.exe is not the released one"
  [[ -f "$menu_folder/tapvane.lnk" ]] || fail "no Start-menu shortcut"
  python3 -c 'import sys; d = open(sys.argv[1], "rb").read()
sys.exit(0 if b"tapvane.exe" in d or "tapvane.exe".encode("utf-16-le") in d else 1)' "$menu_folder/tapvane.lnk" ||
    fail "the shortcut does not point at tapvane.exe"

  local clsid_key="HKCR\\CLSID\\{$horolon_clsid}"
  expect_value "$clsid_key\\InprocServer32" '(Default)' "$install_dir_win\\horolon.ocx"
  expect_value "$clsid_key\\InprocServer32" ThreadingModel Apartment
  expect_value 'HKCR\Horolib.LongTimer\CLSID' '(Default)' "{$horolon_clsid}"
  has_key "HKCR\\TypeLib\\{$horolon_libid}\\6.0" || fail "the type library is not registered"

  expect_value "$uninstall_key" DisplayName Clickora
  expect_value "$uninstall_key" DisplayVersion "$version"
  expect_value "$uninstall_key" Publisher Clickora
  expect_value "$uninstall_key" UninstallString "\"$install_dir_win\\uninstall.exe\""
  expect_value "$uninstall_key" InstallLocation "$install_dir_win"
  local size_kb files_kb
  size_kb=$(($(value_of "$uninstall_key" EstimatedSize)))
  files_kb=$((($(find "$install_dir" -type f -printf '%s+' | sed 's/+$//')) / 1024))
  ((size_kb >= files_kb - 8 && size_kb <= files_kb + 8)) ||
    fail "EstimatedSize is $size_kb KB, the files take $files_kb KB"
  (($(reg_query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | grep -c 'DisplayName    REG_SZ    Clickora$') == 1)) ||
    fail "more than one Clickora entry in the installed programs"

  # The script host finds the control by its ProgID.
  printf '%s\r\n' 'Set t = CreateObject("Horolib.LongTimer")' 't.Interval = 2.5' 't.Enabled = True' \
    'WScript.Echo "created interval " & t.Interval & " enabled " & t.Enabled' >"$case_dir/create.vbs"
  timeout 60 wine cscript //nologo "$(winepath -w "$case_dir/create.vbs" 2>/dev/null)" >"$case_dir/cscript.out" 2>&1
  grep -q 'created interval 2.5 enabled True' "$case_dir/cscript.out" ||
    fail "cscript could not create Horolib.LongTimer: $(tr -d '\r' <"$case_dir/cscript.out" | head -n 3)"

  three_click_run

  # The uninstaller copies itself away and returns at once; its work is waited for.
  timeout 60 wine "$install_dir/uninstall.exe" /S </dev/null >"$case_dir/uninstall.out" 2>&1 ||
    fail "the uninstaller did not start"
  wait_for "the uninstaller to finish" 90 uninstalled
  [[ ! -e "$menu_folder" ]] || fail "the Start-menu folder is left"
  expect_no_control_keys "after the uninstall"
}
uninstalled() { [[ ! -e "$install_dir" ]] && ! has_key "$uninstall_key"; }

run_portable() {
  expect_no_control_keys "in the fresh prefix"
  mkdir -p "$portable_dir"
  unzip -q "$zip64" -d "$portable_dir" || fail "cannot unzip $(basename "$zip64")"
  three_click_run
  expect_no_control_keys "after the portable run"

  rm -f "$portable_dir/horolon.ocx"
  (cd "$case_dir" && exec timeout 170 wine "$tapvane") >"$case_dir/tapvane.out" 2>&1 &
  tapvane_pid=$!
  probe wait Quorvel 30000 >/dev/null || fail "no message about the missing control"
  probe texts Quorvel >"$case_dir/message.txt"
  grep -q 'Horolib.LongTimer' "$case_dir/message.txt" || fail "the message does not name Horolib.LongTimer"
  # NOTE: a message box that opens on a desktop where windows have come and gone may not be
  # active, so OK is clicked rather than Return typed.
  local ok_x ok_y
  read -r ok_x ok_y < <(awk -F '\t' '$1 == "window" { cx = $6; cy = $7 }
    $1 == "child" && $2 == "Button" && $10 == "OK" { print cx + $3 + int($5 / 2), cy + $4 + int($6 / 2); exit }' \
    "$case_dir/message.txt")
  [[ -n "$ok_y" ]] || fail "the message has no OK button"
  click_at "$ok_x" "$ok_y"
  process_ends 15 || fail "the program did not end after the message"
  ((ended_status == 3)) || fail "without horolon.ocx the program ended with status $ended_status, expected 3"
  expect_no_control_keys "after the start without the control"
}

prepare_prefix
"run_$release_case"
echo "release $release_case: PASS"
