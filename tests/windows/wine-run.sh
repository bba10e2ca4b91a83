#!/bin/bash
# Runs one Windows test program under wine for ctest. When it fails it says how wine ended
# (its exit status, or the signal that ended it) and after how long: a program that ends
# before printing anything, or whose buffered output is lost, still leaves a trace of why.
# wine's own error messages stay on (they are silent in a passing run), so that a start wine
# gives up prints its reason.
# Usage: wine-run.sh PROGRAM.exe [ARGUMENTS...]
export WINEDEBUG="${WINEDEBUG:+$WINEDEBUG,}err+all"
start=$(date +%s%N)
wine "$@" &
child=$!
# ctest ends a test that runs too long with SIGTERM or SIGKILL to this script: wine goes too.
trap 'kill -TERM "$child" 2>/dev/null' TERM INT HUP
while :; do
  wait "$child"
  status=$?
  # wait returns early (above 128) when a trapped signal arrived; wine may still run.
  kill -0 "$child" 2>/dev/null || break
done
if [ "$status" -ne 0 ]; then
  ms=$((($(date +%s%N) - start) / 1000000))
  if [ "$status" -gt 128 ]; then
    how="signal $((status - 128)) ($(kill -l $((status - 128)) 2>/dev/null))"
  else
    how="exit status $status"
  fi
  echo "wine-run: wine $(basename "$1") ended with $how after $ms ms" >&2
fi
exit "$status"
