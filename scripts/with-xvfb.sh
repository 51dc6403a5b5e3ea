#!/usr/bin/env bash
# Runs a command on a virtual X server of its own (Xvfb), whatever DISPLAY says: window tests
# need a server nobody else types into. Display numbers from 100 up, so a desktop or another
# virtual server keeps its own; a number in use is skipped.
set -u
scratch=$(mktemp -d)
server=""
for number in $(seq 100 199); do
  [ -e "/tmp/.X${number}-lock" ] && continue
  Xvfb ":${number}" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$scratch/ready" 2>"$scratch/log" &
  server=$!
  # The server writes its number once it accepts clients; it exits at once if the number is taken.
  for _ in $(seq 100); do
    [ -s "$scratch/ready" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$scratch/ready" ] && break
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  server=""
done
if [ -z "$server" ]; then
  echo "with-xvfb: no virtual X server could be started" >&2
  cat "$scratch/log" >&2
  rm -rf "$scratch"
  exit 1
fi
export DISPLAY=":$(cat "$scratch/ready")"
export QT_QPA_PLATFORM=xcb
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$scratch"
exit $status
