#!/usr/bin/env bash
# Under Wine, orrin-import.exe is killed (SIGKILL to the Windows process, as TerminateProcess ends
# it) at several moments of a run on an Access target, the last ones while it writes and replaces the
# file; after each kill the target must read back exactly as it was before the run, or exactly as a
# whole run leaves it (read with the Linux orrin-import-dump).
#
# Usage: kill_under_wine.sh LINUX_BUILD_SRC WINDOWS_PROGRAM_FOLDER [POLICIES]
set -euo pipefail
linux=$1
windows=$2
policies=${3:-3000}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$linux/orrin-import-sample" --out "$scratch/source" --policies "$policies" --format access >/dev/null
"$linux/orrin-import-dump" "$scratch/source/LIC.mdb" >"$scratch/before.jsonl"

run() { # folder: a whole run under Wine, its time in milliseconds on stdout
  local start end
  start=$(date +%s%N)
  wine "$windows/orrin-import.exe" --orrin-db "$1" --agent-db "$1" --on-error continue \
    --error-log "$scratch/log.txt" --quiet >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
cp -r "$scratch/source" "$scratch/whole"
whole_ms=$(run "$scratch/whole")
"$linux/orrin-import-dump" "$scratch/whole/LIC.mdb" >"$scratch/after.jsonl"
if cmp -s "$scratch/before.jsonl" "$scratch/after.jsonl"; then
  echo "FAIL: the whole run under Wine left the target as it was" >&2
  exit 1
fi
echo "a whole run under Wine: $whole_ms ms"

failures=0
for percent in 20 40 60 75 85 90 95 98; do
  folder="$scratch/kill-$percent"
  cp -r "$scratch/source" "$folder"
  wine "$windows/orrin-import.exe" --orrin-db "$folder" --agent-db "$folder" --on-error continue \
    --error-log "$scratch/log.txt" --quiet >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v ms="$whole_ms" -v p="$percent" 'BEGIN { printf "%.3f", ms * p / 100000 }')"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if ! "$linux/orrin-import-dump" "$folder/LIC.mdb" >"$folder.jsonl" 2>"$folder.err"; then
    echo "FAIL: killed at $percent %: the target does not read: $(cat "$folder.err")" >&2
    failures=$((failures + 1))
  elif cmp -s "$folder.jsonl" "$scratch/before.jsonl"; then
    echo "killed at $percent %: the target is as it was"
  elif cmp -s "$folder.jsonl" "$scratch/after.jsonl"; then
    echo "killed at $percent %: the target is complete"
  else
    echo "FAIL: killed at $percent %: the target is neither as it was nor complete" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] && echo "PASS: every kill left the target as it was or complete"
exit "$failures"
