#!/usr/bin/env bash
# The release tests' case without Wine: release_cases.sh CONFIG artifacts
#   artifacts  dist/ holds exactly the artifacts, each exactly its files, stripped, with the
#              version, importing only the system's known DLLs, with DependentLoadFlags the system
#              folder (the installer: its imports and its stub's restricted search); SHA256SUMS
#              matches
# The cases under Wine (the installer, the portable folder) are in test_release.py.
# Prints "release artifacts: PASS" at the end when it passed.
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
echo "release $release_case: FAIL: no such case"
exit 1
