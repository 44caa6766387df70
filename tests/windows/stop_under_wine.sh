#!/usr/bin/env bash
# Under Wine, orrin-import.exe gets Ctrl-C (Wine turns a SIGINT to the Windows process into the
# console's CTRL_C_EVENT, which the program's console control handler takes) at several moments of a
# run on an Access target. Each stopped run must exit 1, say "stopped by signal 2: the target is
# unchanged" as the Linux program does for SIGINT, and leave the target exactly as it was (read with
# the Linux orrin-import-dump); a run that finished before the Ctrl-C came must have left it complete,
# and one that had not begun (Wine still starting it) must have left it as it was. At least one run
# must have been stopped.
#
# Usage: stop_under_wine.sh LINUX_BUILD_SRC WINDOWS_PROGRAM_FOLDER [POLICIES]
set -euo pipefail
linux=$1
windows=$2
policies=${3:-3000}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$linux/orrin-import-sample" --out "$scratch/source" --policies "$policies" --format access >/dev/null
"$linux/orrin-import-dump" "$scratch/source/LIC.mdb" >"$scratch/before.jsonl"

run() { # folder
  wine "$windows/orrin-import.exe" --orrin-db "$1" --agent-db "$1" --on-error continue \
    --error-log "$scratch/log.txt" --quiet >/dev/null 2>"$1.err"
}
cp -r "$scratch/source" "$scratch/whole"
start=$(date +%s%N)
run "$scratch/whole" || true
whole_ms=$((($(date +%s%N) - start) / 1000000))
"$linux/orrin-import-dump" "$scratch/whole/LIC.mdb" >"$scratch/after.jsonl"
if cmp -s "$scratch/before.jsonl" "$scratch/after.jsonl"; then
  echo "FAIL: the whole run under Wine left the target as it was: $(tr -d '\r' <"$scratch/whole.err")" >&2
  exit 1
fi
echo "a whole run under Wine: $whole_ms ms"

failures=0
stopped=0
for percent in 40 55 70 85; do
  folder="$scratch/stop-$percent"
  cp -r "$scratch/source" "$folder"
  status=0
  # wine itself in the background, so that $! is the Windows process (a function would be a subshell).
  wine "$windows/orrin-import.exe" --orrin-db "$folder" --agent-db "$folder" --on-error continue \
    --error-log "$scratch/log.txt" --quiet >/dev/null 2>"$folder.err" &
  pid=$!
  sleep "$(awk -v ms="$whole_ms" -v p="$percent" 'BEGIN { printf "%.3f", ms * p / 100000 }')"
  kill -INT "$pid" 2>/dev/null || true
  wait "$pid" || status=$?
  "$linux/orrin-import-dump" "$folder/LIC.mdb" >"$folder.jsonl" 2>&1 || true
  message=$(tr -d '\r' <"$folder.err")
  if [ "$status" -eq 1 ] && [ "$message" = "orrin-import: stopped by signal 2: the target is unchanged" ] &&
    cmp -s "$folder.jsonl" "$scratch/before.jsonl"; then
    echo "Ctrl-C at $percent %: rolled back, the target is as it was"
    stopped=$((stopped + 1))
  elif [ "$status" -ne 1 ] && [ -z "$message" ] && cmp -s "$folder.jsonl" "$scratch/before.jsonl"; then
    # Wine's start-up takes a good part of a short run: the program had not begun.
    echo "Ctrl-C at $percent %: came before the program had begun (exit $status), the target is as it was"
  elif [ "$status" -ne 1 ] && cmp -s "$folder.jsonl" "$scratch/after.jsonl"; then
    echo "Ctrl-C at $percent %: the run had finished (exit $status), the target is complete"
  else
    echo "FAIL: Ctrl-C at $percent %: exit $status, '$message', the target is neither as it was nor complete" >&2
    failures=$((failures + 1))
  fi
done
if [ "$stopped" -eq 0 ]; then
  echo "FAIL: no Ctrl-C stopped a run" >&2
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "PASS: every Ctrl-C rolled the run back with the signal's message, or came after its end"
exit "$failures"
