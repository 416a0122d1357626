#!/bin/sh
# Registration of horolon.ocx through regsvr32 under Wine, checked in the registry with reg.
#   registration_test.sh OCX CLSID LIBID IID DIID      (runs inside the Wine test environment)
set -u
ocx=$1
clsid="{$2}"
libid="{$3}"
iid="{$4}"
diid="{$5}"
passed=0
failed=0

check() {  # check DESCRIPTION COMMAND...
  what=$1
  shift
  if "$@"; then
    echo "PASS $what"
    passed=$((passed + 1))
  else
    echo "FAIL $what"
    failed=$((failed + 1))
  fi
}

# reg prints CR LF lines; compare without the CR.
query() { timeout 60 wine reg query "$@" 2>/dev/null | tr -d '\r'; }
# NOTE: on a busy machine a Wine tool now and then fails to start at all; a present key or value
# is therefore looked for up to three times before it counts as missing.
retried() {
  for _ in 1 2 3; do
    "$@" && return 0
    sleep 1
  done
  return 1
}
value_once() { query "$1" | grep -F "$2" | grep -qF "REG_SZ    $3"; }
has_value() { retried value_once "$@"; }  # has_value KEY NAME-OR-(Default) DATA
key_once() { timeout 60 wine reg query "$@" >/dev/null 2>&1; }
has_key() { retried key_once "$@"; }
lacks_key() { ! key_once "$@"; }

win_ocx=$(timeout 60 winepath -w "$ocx" | tr -d '\r')
regsvr() { timeout 120 wine regsvr32 "$@" "$win_ocx" </dev/null; }

key="HKCR\\CLSID\\$clsid"
check "regsvr32 /s registers" regsvr /s
check "class name" has_value "$key" "(Default)" "LongTimer"
check "InprocServer32 is the full path" has_value "$key\\InprocServer32" "(Default)" "$win_ocx"
check "ThreadingModel Apartment" has_value "$key\\InprocServer32" "ThreadingModel" "Apartment"
check "ProgID under the class" has_value "$key\\ProgID" "(Default)" "Horolib.LongTimer"
check "Control key" has_key "$key\\Control"
check "MiscStatus 0" has_value "$key\\MiscStatus" "(Default)" "0"
check "MiscStatus\\1 132497" has_value "$key\\MiscStatus\\1" "(Default)" "132497"
check "ToolboxBitmap32" has_value "$key\\ToolboxBitmap32" "(Default)" "$win_ocx, 30000"
check "TypeLib" has_value "$key\\TypeLib" "(Default)" "$libid"
check "Version 6.0" has_value "$key\\Version" "(Default)" "6.0"
check "ProgID key names the class" has_value "HKCR\\Horolib.LongTimer\\CLSID" "(Default)" "$clsid"
check "type library registered" has_key "HKCR\\TypeLib\\$libid\\6.0"
check "type library under the record's locale 0" has_key "HKCR\\TypeLib\\$libid\\6.0\\0\\win64"
check "no entry under the names' locale 409" lacks_key "HKCR\\TypeLib\\$libid\\6.0\\409"
check "Interface key of _LongTimer" has_value "HKCR\\Interface\\$iid\\TypeLib" "(Default)" "$libid"
check "Interface key of __LongTimer" has_value "HKCR\\Interface\\$diid\\TypeLib" "(Default)" "$libid"
# The 64-bit file registers in the 64-bit view only; the 32-bit view is the 32-bit file's. CLSID
# is kept apart per view; TypeLib is shared and tells the widths by win32/win64.
# NOTE: Wine shares Interface between the views (Windows keeps it apart), so it is not looked at.
check "the 64-bit view holds the class" has_key "HKCR\\CLSID\\$clsid" /reg:64
check "nothing in the 32-bit view: class" lacks_key "HKCR\\CLSID\\$clsid" /reg:32
check "no win32 type library entry" lacks_key "HKCR\\TypeLib\\$libid\\6.0\\0\\win32" /reg:32
check "no safe-for-scripting categories" lacks_key "$key\\Implemented Categories"

check "regsvr32 /s registers a second time" regsvr /s
check "still registered after the second time" has_value "$key\\MiscStatus\\1" "(Default)" "132497"

check "regsvr32 /u /s unregisters" regsvr /u /s
check "class key removed" lacks_key "$key"
check "ProgID key removed" lacks_key "HKCR\\Horolib.LongTimer"
check "type library unregistered" lacks_key "HKCR\\TypeLib\\$libid"
check "Interface key of _LongTimer removed" lacks_key "HKCR\\Interface\\$iid"
check "Interface key of __LongTimer removed" lacks_key "HKCR\\Interface\\$diid"
check "unregistering when already gone succeeds" regsvr /u /s

echo "$passed passed, $failed failed"
