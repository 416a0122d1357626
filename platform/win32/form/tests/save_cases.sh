#!/usr/bin/env bash
# Save cases that need the file system prepared from outside Wine: save_cases.sh TESTS_EXE
#   - through a symbolic link (Wine makes none itself): the file it names gets the text, the
#     link stays a link (a link to no file yet is replaced by the file, as on Windows);
#   - a folder where only the file is writable (chattr +i: no file may be made, renamed or
#     removed in it, for root too): the file is written in place, its inode kept;
#   - a forced write failure (a file size limit), through a temporary file and in place: the old
#     file is whole and nothing is left beside it.
# Runs in the Wine test environment; TESTS_EXE is clickora_win32_form_tests.exe, whose "replace"
# mode saves as the program does. Prints "save cases: N passed, M failed".
set -uo pipefail
exe=${1:?usage: save_cases.sh TESTS_EXE}
# In the build tree (the working folder), where chattr works, rather than a temporary file system.
work=$(mktemp -d "$PWD/save-cases-XXXXXX")
locked=$work/locked
cleanup() {
  chattr -i "$locked" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  if "${@:2}"; then
    passed=$((passed + 1))
  else
    echo "FAIL $1"
    failed=$((failed + 1))
  fi
}
windows_path() { echo "Z:${1//\//\\}"; }
# replace PATH TEXT [COUNT]: the program's save of TEXT (COUNT times) to PATH; its answer in $answer.
replace() {
  answer=$(wine "$exe" replace "$(windows_path "$1")" "$2" "${3:-1}" 2>/dev/null | tr -d '\r')
  echo "  save ${2:0:12}... x${3:-1} to ${1#"$work"/}: $answer"
}
# The same with writes beyond 1 KiB refused (SIGXFSZ ignored, so that the write fails instead).
replace_limited() {
  answer=$( (trap '' XFSZ; ulimit -f 1; wine "$exe" replace "$(windows_path "$1")" "$2" "${3:-1}") \
    2>/dev/null | tr -d '\r')
  echo "  save ${2:0:12}... x${3:-1} to ${1#"$work"/} with a size limit: $answer"
}
holds() { [[ "$(cat "$1")" == "$2" ]]; }
names_in() { (cd "$1" && ls -A | tr '\n' ' '); }
old_text=$'640\r\n480\r\n10\r\n1\r\n1\r'

# Through symbolic links, relative and absolute, and to a file not made yet.
mkdir -p "$work/real" "$work/links"
printf '%s\n' "$old_text" >"$work/real/settings.kpf"
ln -s ../real/settings.kpf "$work/links/relative.kpf"
ln -s "$work/real/settings.kpf" "$work/links/absolute.kpf"
for link in relative absolute; do
  replace "$work/links/$link.kpf" "through the $link link"
  check "a save through the $link link succeeds" test "$answer" = replaced
  check "the $link link's file holds the text" holds "$work/real/settings.kpf" "through the $link link"
  check "the $link link is still a link" test -L "$work/links/$link.kpf"
done
check "no temporary file is left in either folder" \
  test "$(names_in "$work/real")$(names_in "$work/links")" = "settings.kpf absolute.kpf relative.kpf "

# A folder where nothing may be made or renamed, the file in it writable.
mkdir -p "$locked"
printf '%s\n' "$old_text" >"$locked/settings.kpf"
inode=$(stat -c %i "$locked/settings.kpf")
if ! chattr +i "$locked" 2>"$work/chattr.err"; then
  echo "FAIL cannot make a folder unchangeable (chattr +i: $(cat "$work/chattr.err")); needs CAP_LINUX_IMMUTABLE on ext4, xfs or btrfs"
  failed=$((failed + 1))
else
  check "nothing can be made in the locked folder" test "$(touch "$locked/x" 2>&1 && echo made)" != made
  replace "$locked/settings.kpf" "written in place, longer than the old text"
  check "a save in the locked folder succeeds" test "$answer" = replaced
  check "the file holds the new text" holds "$locked/settings.kpf" "written in place, longer than the old text"
  check "the file kept its inode" test "$(stat -c %i "$locked/settings.kpf")" = "$inode"
  replace_limited "$locked/settings.kpf" 0123456789abcdef 256
  check "a save in place that the size limit stops fails" test "${answer%%:*}" = refused
  check "the old file is whole after the failed save in place" \
    holds "$locked/settings.kpf" "written in place, longer than the old text"
  check "nothing is left beside it" test "$(names_in "$locked")" = "settings.kpf "
fi

# A forced failure of the write to the temporary file.
mkdir -p "$work/plain"
printf '%s\n' "$old_text" >"$work/plain/settings.kpf"
replace_limited "$work/plain/settings.kpf" 0123456789abcdef 256
check "a save that the size limit stops fails" test "${answer%%:*}" = refused
check "the old file is whole after the failed save" holds "$work/plain/settings.kpf" "$old_text"
check "no temporary file is left" test "$(names_in "$work/plain")" = "settings.kpf "

echo "save cases: $passed passed, $failed failed"
