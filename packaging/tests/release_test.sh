#!/usr/bin/env bash
# One release test: release_test.sh CONFIG CASE
# CONFIG is release-config.sh (written by CMake). The Wine cases (installer, portable) run in a
# Wine prefix and an Xvfb of their own, made fresh by wine-env.sh and removed afterwards, so that
# nothing registered by another test can make them pass; the artifacts case needs no Wine.
set -uo pipefail
config=${1:?usage: release_test.sh CONFIG CASE}
case_name=${2:?usage: release_test.sh CONFIG CASE}
# shellcheck source=/dev/null
. "$config"
here=$(cd "$(dirname "$0")" && pwd)

if [[ $case_name == artifacts ]]; then
  exec bash "$here/release_cases.sh" "$config" "$case_name"
fi

state=$work/$case_name/wine
export WINEPREFIX=$state/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
export CLICKORA_WINE_TIMEOUT=540
if ! sh "$wine_env" setup "$state"; then
  echo "release $case_name: FAIL: no fresh Wine environment"
  exit 1
fi
sh "$wine_env" run "$state" bash "$here/release_cases.sh" "$config" "$case_name"
status=$?
sh "$wine_env" teardown "$state" >/dev/null
exit "$status"
