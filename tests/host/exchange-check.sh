#!/usr/bin/env bash
# zelkon's downloads through the real plug-in's catalogue exchange, over HTTPS with an authority
# made for the test: without --cacert nothing arrives; with it the three pages arrive in order,
# the login page's cookie goes along, and the work files hold the record page as fetched and
# as decoded for the scan.
# Usage: exchange-check.sh ZELKON [WINE_RUN]    (with WINE_RUN, ZELKON is a Windows program)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
zelkon=$1
wine_run=${2:-}
[ -f "$zelkon" ] || { echo "SKIP: $zelkon not built"; exit 77; }

tmp=$(mktemp -d)
stub=
cleanup() {
  if [ -n "$stub" ]; then
    kill "$stub" 2>/dev/null || true
    wait "$stub" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$here/make-test-ca.sh" "$tmp/ca"
python3 "$here/catalogue_stub.py" --port-file "$tmp/port" --log "$tmp/requests" \
  --cert "$tmp/ca/server.pem" --key "$tmp/ca/server.key" &
stub=$!
for _ in $(seq 100); do [ -s "$tmp/port" ] && break; sleep 0.1; done
port=$(cat "$tmp/port")

# Paths as the program sees them.
native() { if [ -n "$wine_run" ]; then printf 'Z:%s' "$1"; else printf '%s' "$1"; fi; }
run() { if [ -n "$wine_run" ]; then "$wine_run" "$zelkon" "$@"; else "$zelkon" "$@"; fi; }

mkdir "$tmp/work"
printf 'CATALOGUE_URL=https://localhost:%s\r\n' "$port" >"$tmp/work/tovan.dat"
touch "$tmp/requests"

echo "== an authority nobody trusts"
run lookup --workdir "$(native "$tmp/work")" 9784061495005 >"$tmp/out" 2>"$tmp/err" ||
  fail "exit status $?: $(cat "$tmp/err")"
[ ! -e "$tmp/work/Temp.html" ] || fail "a page arrived from a server that is not trusted"
[ ! -s "$tmp/requests" ] || fail "requests went over TLS that is not trusted: $(cat "$tmp/requests")"

echo "== the authority given with --cacert"
run lookup --workdir "$(native "$tmp/work")" --cacert "$(native "$tmp/ca/ca.pem")" \
  9784061495005 >"$tmp/out" 2>"$tmp/err" || fail "exit status $?: $(cat "$tmp/err")"
[ ! -s "$tmp/err" ] || fail "messages: $(cat "$tmp/err")"
want_requests=$(printf '%s\t\n%s\t%s\n%s\t%s' \
  '/F?func=file&file_name=login&?RN' \
  '/F/HANDLE-1?func=file&=&file_name=login%20%3FRN&pds_handle=' 'visit=HANDLE-1' \
  '/F/SEARCH?func=find-a&find_code=WTYP&request=&request_op=AND&request=&request_op=AND&find_code=ISBN&request=9784061495005' \
  'visit=HANDLE-1')
[ "$(cat "$tmp/requests")" = "$want_requests" ] ||
  fail "requests differ:"$'\n'"$(cat "$tmp/requests")"$'\n'"want:"$'\n'"$want_requests"
printf '<html>\n<b>\xe6\x9c\xac\xe3\x81\xae\xe8\xa9\xb1</b>\r\n<p>\xe3\x81\x82</p>\n' >"$tmp/want-fetched"
printf '<html>\r\n<b>\x96\x7b\x82\xcc\x98\x62</b>\r\n<p>\x82\xa0</p>\r\n' >"$tmp/want-decoded"
cmp "$tmp/work/Temp2.txt" "$tmp/want-fetched" || fail "Temp2.txt is not the page as fetched"
cmp "$tmp/work/Temp.html" "$tmp/want-decoded" || fail "Temp.html is not the page decoded"
grep -qx '0 found, 1 not found: 9784061495005' "$tmp/out" || fail "summary: $(cat "$tmp/out")"
echo "exchange as expected"
