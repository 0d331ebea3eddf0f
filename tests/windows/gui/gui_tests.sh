#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# korvane.exe under Wine and Xvfb: the dialogs (korvane_gui_test.exe), the
# association written by --register and removed by --unregister (read back
# with `wine reg query`), --read with a stand-in browser that records the
# page it is given, and the finishing beep as the setting wants it.
# Everything runs in a Wine prefix of its own in OUT; Wine's output stays
# in OUT/*.log.
# Usage: gui_tests.sh KORVANE.EXE KORVANE_GUI_TEST.EXE SOURCE_DIR OUT
set -u
korvane=$1 tester=$2 source=$3 out=$4
rm -rf "$out"
mkdir -p "$out/work" "$out/read"
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
passed=0 failed=0
check() {  # check WHAT COMMAND...
  local what=$1
  shift
  if "$@" >>"$out/checks.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what"
  fi
}

xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then  # Xvfb picks a free display and writes its number to the file
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n 1 "$out/display")
fi
finish() {
  wineserver -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap finish EXIT

wineboot -i >"$out/wine.log" 2>&1
wineserver -w
win() { winepath -w "$1" 2>/dev/null; }
cp "$source/tests/corpus/3dmm/ACMSETUP.HLP" "$source/tests/corpus/3dmm/MM.HLP" "$out/work/"
cp "$source/tests/corpus/3dmm/ACMSETUP.HLP" "$out/read/Read Me.hlp"

# The dialogs, the string table and the bar.
tester_args=("$(win "$korvane")" "$(win "$out/work")" "$(win "$out/work/ACMSETUP.HLP")" "$(win "$out/work/MM.HLP")")
timeout 900 wine "$tester" "${tester_args[@]}" >"$out/dialogs.log" 2>>"$out/wine.log"
cat "$out/dialogs.log" | grep -v ' passed, ' || true
summary=$(tail -n 1 "$out/dialogs.log" | tr -d "\r")
if [[ "$summary" =~ ^([0-9]+)\ passed,\ ([0-9]+)\ failed$ ]]; then
  passed=$((passed + BASH_REMATCH[1]))
  failed=$((failed + BASH_REMATCH[2]))
else
  failed=$((failed + 1))
  echo "FAILED: the dialog tests did not finish: $summary"
fi

# --register: exactly these keys under HKCU\Software\Classes; --unregister
# takes them away, another program's value beside them stays.
reg_value() {  # reg_value KEY [VALUE] -> the data of the value (default: the key's default)
  local args=(/ve)
  [ $# -gt 1 ] && args=(/v "$2")
  wine reg query "HKCU\\Software\\Classes\\$1" "${args[@]}" 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ[[:space:]]*//p' | grep -v '^(value not set)$' | head -n 1
}
absent() { ! wine reg query "$1" >/dev/null 2>&1; }
exe=$(win "$korvane")
wine "$korvane" --register >>"$out/wine.log" 2>&1
check "--register exits with 2" test $? -eq 2
while IFS='|' read -r key want; do
  check "$key: $want" test "$(reg_value "$key")" = "$want"
done <<KEYS
Korvane.HelpFile\shell|Read
Korvane.HelpFile\shell\Read\command|"$exe" --read "%1"
Korvane.HelpFile\shell\Recover Sources\command|"$exe" --recover "%1"
Korvane.HelpFile\DefaultIcon|"$exe",0
.hlp|Korvane.HelpFile
.mvb|Korvane.HelpFile
.m13|Korvane.HelpFile
.m14|Korvane.HelpFile
KEYS
check "nothing under the machine's classes" absent 'HKLM\Software\Classes\Korvane.HelpFile'
check "the program id has its keys and no others" \
  test "$(wine reg query 'HKCU\Software\Classes\Korvane.HelpFile' /s 2>/dev/null | tr -d '\r' | grep -c '^HKEY_')" -eq 7
wine reg add 'HKCU\Software\Classes\.m14' /v 'Content Type' /d 'application/x-other' /f >/dev/null 2>&1
wine "$korvane" --unregister >>"$out/wine.log" 2>&1
check "--unregister exits with 2" test $? -eq 2
for key in Korvane.HelpFile .hlp .mvb .m13; do
  check "--unregister removes $key" absent "HKCU\\Software\\Classes\\$key"
done
check "another program's value stays" test "$(reg_value .m14 'Content Type')" = "application/x-other"
check "the extension names no program id any more" test -z "$(reg_value .m14)"

# --read: a stand-in browser opens .html pages and records the one it got.
# (Wine's shell looks up the machine's classes only, so the stand-in is
# registered there, in the test's own prefix.)
record="$out/read/opened.txt"
wine reg add 'HKLM\Software\Classes\.html' /ve /d korvane.test.page /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Classes\korvane.test.page\shell\open\command' /ve \
  /d "\"$(win "$tester")\" --record-url \"$(win "$record")\" \"%1\"" /f >/dev/null 2>&1
read_help() {  # the help file read in a browser; its exit code, once the browser has the page
  rm -f "$record"
  (cd "$out/read" && timeout 120 wine "$korvane" --read "$(win "$out/read/Read Me.hlp")" >>"$out/wine.log" 2>&1)
  local rc=$?
  for _ in $(seq 100); do [ -s "$record" ] && break; sleep 0.2; done
  return $rc
}
read_help
check "--read exits with 2" test $? -eq 2
opened=$(cat "$record" 2>/dev/null)
local_app=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
check "--read opens index.html in %LOCALAPPDATA%\\Korvane\\NAME-HASH ($opened)" \
  bash -c "[[ '$opened' =~ ^${local_app//\\/\\\\}\\\\Korvane\\\\Read_Me-[0-9a-f]{16}\\\\[^\\\\]+\\\\index\\.html$ ]]"
page=$(winepath -u "$opened" 2>/dev/null)
check "the page is written, its cache entry has its stamp" \
  bash -c "test -s '$page' && grep -q '^help file ' '${page%/*/index.html}/KORVANE-STAMP'"
touch -d '2001-01-01' "$page"
read_help
check "a second read opens the cached site as it is" test "$(stat -c %Y "$page")" = "$(date -d 2001-01-01 +%s)"
touch "$out/read/Read Me.hlp" -d '2002-02-02'
read_help
check "a changed help file is converted again" test "$(stat -c %Y "$page")" != "$(date -d 2001-01-01 +%s)"

# The finishing beep: MessageBeep is called once, or not at all with
# MessageBeep=0 (Wine's relay trace of that one function tells).
wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'user32.MessageBeep' /f >/dev/null 2>&1
wineserver -w
beeps() {  # beeps -> how often the finished dialog beeped
  WINEDEBUG=+relay timeout 300 wine "$tester" "${tester_args[@]}" finish >/dev/null 2>"$out/relay.log"
  grep -c 'Call user32.MessageBeep' "$out/relay.log"
}
check "the finished conversion beeps by default" test "$(beeps)" = 1
ini=$(winepath -u "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")/Korvane/KORVANE.INI
printf '[Options]\r\nMessageBeep=0\r\n' >"$ini"
check "MessageBeep=0 in the settings: no beep" test "$(beeps)" = 0

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
