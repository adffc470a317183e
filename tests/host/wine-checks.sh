#!/usr/bin/env bash
# zelkon.exe under Wine: it exports the sixteen host functions by their plain names, reports
# what the plug-in is, and with --observe-messages turns the plug-in's message boxes into the
# lines the POSIX build writes (and a detail line per box in the message log).
# Usage: wine-checks.sh BIN_DIR WINE_RUN
set -euo pipefail
bin=$1
wine_run=$2
zelkon=$bin/zelkon.exe
[ -f "$zelkon" ] && [ -f "$bin/vostrel.dll" ] || { echo "SKIP: the Windows build is missing"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo "== exports"
exports=$(i686-w64-mingw32-objdump -p "$zelkon" |
  awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && /^\t\[/ { print $NF; next } on { on = 0 }' |
  sort)
want=$(printf '%s\n' InternetConnectFunc HTTPDownloadFunc HTTPBinaryDownloadFunc \
  HTTPFlagDownloadFunc RefreshFunc ExportFunc InportFunc ISBNChkFunc JANChkFunc ASINChkFunc \
  PluginListFunc AcquireCDShow WaitWindowView WaitBarView WaitWindowClose SelectExportFunc | sort)
[ "$exports" = "$want" ] || fail "exports differ:"$'\n'"$exports"

echo "== info"
"$wine_run" "$zelkon" info >"$tmp/out" 2>"$tmp/err" || fail "info: exit status $?"
printf 'entry:   DownlaodFunc\ntitle:   ISBN検索 Vostrel\ncredit:  Tovan based on ORBELT and Rimaso\nversion: 1.2.3\nkind:    3\n' >"$tmp/want"
cmp "$tmp/out" "$tmp/want" || fail "info printed: $(cat "$tmp/out")"

echo "== a plain message box"
mkdir "$tmp/work"
printf 'CATALOGUE_URL=https://127.0.0.1:9\r\n' >"$tmp/work/tovan.dat"
"$wine_run" "$zelkon" lookup --workdir "Z:$tmp/work" --observe-messages \
  --message-log "Z:$tmp/boxes.log" 9784061495005 >"$tmp/out" 2>"$tmp/err" || true
printf 'インターネットに接続されていません https://127.0.0.1:9/F?func=file&file_name=login&?RN\n' >"$tmp/want"
cmp "$tmp/err" "$tmp/want" || fail "messages: $(cat "$tmp/err")"
grep -q $'\ticon=none\tbuttons=OK\ttext=インターネットに接続されていません ' "$tmp/boxes.log" ||
  fail "message log: $(cat "$tmp/boxes.log")"

echo "== an error box"
# Under another name the host finds no zelkon.exe beside it: the plug-in says so with the error
# icon, then binds the running program's own exports.
mkdir "$tmp/other"
cp "$zelkon" "$tmp/other/other.exe"
cp "$bin/vostrel.dll" "$tmp/other/"
"$wine_run" "$tmp/other/other.exe" lookup --workdir "Z:$tmp/work" --observe-messages \
  9784061495005 >"$tmp/out" 2>"$tmp/err" || true
printf 'error: Z:%sがありません。\n' "$(printf '%s' "$tmp/other/zelkon.exe" | tr / '\\')" >"$tmp/want"
printf 'インターネットに接続されていません https://127.0.0.1:9/F?func=file&file_name=login&?RN\n' >>"$tmp/want"
cmp "$tmp/err" "$tmp/want" || fail "messages: $(cat "$tmp/err")"
echo "== an empty ISBN list"
: >"$tmp/empty.txt"
"$wine_run" "$zelkon" lookup --workdir "Z:$tmp/work" --observe-messages \
  --list "Z:$tmp/empty.txt" >"$tmp/out" 2>"$tmp/err" || true
printf '検索するISBNを取得できませんでした\n' >"$tmp/want"
head -n 1 "$tmp/err" | cmp - "$tmp/want" || fail "messages: $(cat "$tmp/err")"

echo "== an error that ends the run"
# No ISBN passes the check, so the run reaches the end and writes its (empty) output into a
# directory that does not exist: the error's text is shown in a plain box.
"$wine_run" "$zelkon" lookup --workdir "Z:$tmp/work" --observe-messages \
  --out "Z:$tmp/missing/out.txt" 123 >"$tmp/out" 2>"$tmp/err" || true
printf 'Z:%sを作成できません。\n' "$tmp/missing/out.txt" >"$tmp/want"
head -n 1 "$tmp/err" | cmp - "$tmp/want" || fail "messages: $(cat "$tmp/err")"

echo "zelkon.exe as expected"
