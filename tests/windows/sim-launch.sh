#!/bin/bash
# Linux side of the simulated logger for the Windows tests under wine (see
# tests/common/uSimLogger_win32.cpp). wine starts this script as a native program; it runs
# tarvik-logger-sim with the port linked as a wine COM port and talks to the Windows test
# through files in a control directory that both sides see:
#   pid     the simulator's process id (for cleaning up after a crashed test)
#   ready   the pseudo-terminal's path, once the port and its COM link exist
#   failed  the simulator's exit status, when it ended before the port was ready
#   stop    created by the test: stop the simulator with SIGTERM
#   status  the simulator's exit status, once it has ended (128 + signal when killed)
#   out/err the simulator's standard output and error
# Usage: sim-launch.sh CONTROL_DIR COM_LINK SIMULATOR [ARGUMENTS...]
set -u
dir=$1 link=$2 sim=$3
shift 3
# A test that died without stopping its simulator must not leave it running for ever.
max_life_s=900

publish() { # name, content: written whole, so the test never reads half a file
  printf '%s\n' "$2" >"$dir/.$1.tmp" && mv -f "$dir/.$1.tmp" "$dir/$1"
}

"$sim" --link "$link" "$@" >"$dir/out" 2>"$dir/err" </dev/null &
pid=$!
publish pid "$pid"

# Wait for the port line and the COM link.
while :; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    code=$?
    publish failed "$code"
    publish status "$code"
    exit 0
  fi
  if [ -L "$link" ] && [ "$(wc -l <"$dir/out")" -ge 1 ]; then
    publish ready "$(head -n 1 "$dir/out")"
    break
  fi
  sleep 0.005
done

# Serve until the test asks to stop, the simulator ends by itself (a hang-up fault), or the
# life time is over.
deadline=$((SECONDS + max_life_s))
while [ ! -e "$dir/stop" ] && kill -0 "$pid" 2>/dev/null && [ "$SECONDS" -lt "$deadline" ]; do
  sleep 0.01
done
kill -TERM "$pid" 2>/dev/null
wait "$pid"
publish status "$?"
