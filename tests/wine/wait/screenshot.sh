#!/usr/bin/env bash
# Shows the wait window on a virtual X display while a run waits at the second of three ISBNs,
# takes a screenshot of the whole screen and checks that it is a PNG with something drawn.
# Usage: screenshot.sh WINE_RUN HOST_EXE PLUGIN_WINDOWS_PATH WORKDIR PNG
set -euo pipefail
wine_run=$1 host=$2 plugin=$3 work=$4 png=$5
unix_plugin=${plugin#Z:}
[ -e "$unix_plugin" ] || { echo "skipped: $unix_plugin not built (windows preset)"; exit 77; }
rm -rf "$work" "$png"
mkdir -p "$work"

xvfb-run -a -s "-screen 0 640x480x24" bash -c '
  set -euo pipefail
  wine_run=$1 host=$2 plugin=$3 work=$4 png=$5
  VOSTREL_WINE_DISPLAY=1 "$wine_run" "$host" pause "$plugin" "Z:$work/" &
  pid=$!
  for _ in $(seq 1200); do
    [ -e "$work/ready" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  status=0
  if [ -e "$work/ready" ]; then
    sleep 0.5
    import -window root "$png" || status=1
  else
    echo "the run never reached its pause" >&2
    status=1
  fi
  touch "$work/go"
  wait "$pid" || status=1
  # Let the prefix'"'"'s own processes end while the display is still there.
  WINEPREFIX=${WINEPREFIX:-$(dirname "$wine_run")/../build/wineprefix} wineserver -w || true
  exit $status
' screenshot "$wine_run" "$host" "$plugin" "$work" "$png"

[ -s "$png" ] || { echo "no screenshot at $png" >&2; exit 1; }
signature=$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')
[ "$signature" = 89504e470d0a1a0a ] || { echo "$png is not a PNG" >&2; exit 1; }
# An empty screen has one colour; the window brings white, grey, navy and the bar's colour.
colours=$(identify -format '%k' "$png")
[ "$colours" -ge 4 ] || { echo "the screenshot shows $colours colours only" >&2; exit 1; }
echo "screenshot: $png ($colours colours)"
