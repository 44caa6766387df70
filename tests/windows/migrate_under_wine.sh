#!/usr/bin/env bash
# Under Wine, orrin-import.exe migrates a sample agent in Access form (written by the Linux sample
# writer) in a folder whose path has spaces and letters beyond ASCII, and the target's tables equal
# those of the Linux orrin-import run on a copy of the same files (both read back with the Linux
# orrin-import-dump). The error logs hold the same entries (apart from their date and time).
#
# Usage: migrate_under_wine.sh LINUX_BUILD_SRC WINDOWS_PROGRAM_FOLDER [POLICIES]
set -euo pipefail
linux=$1
windows=$2
policies=${3:-500}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
folder="$scratch/Agent Files ñandú/Ünïcode"
mkdir -p "$folder/source"
"$linux/orrin-import-sample" --out "$folder/source" --policies "$policies" --format access >/dev/null
cp -r "$folder/source" "$folder/linux"
cp -r "$folder/source" "$folder/windows"

status=0
"$linux/orrin-import" --orrin-db "$folder/linux" --agent-db "$folder/linux" --bonus-db "$linux/lic.mdb" \
  --on-error continue --error-log "$folder/linux.log" --quiet >"$scratch/linux.out" || status=$?
echo "Linux run: exit $status"
wstatus=0
wine "$windows/orrin-import.exe" --orrin-db "$folder/windows" --agent-db "$folder/windows" \
  --on-error continue --error-log "$folder/windows.log" --quiet >"$scratch/windows.out" 2>"$scratch/windows.err" ||
  wstatus=$?
echo "Windows run under Wine: exit $wstatus"
if [ "$status" -ne "$wstatus" ]; then
  echo "FAIL: the exit statuses differ" >&2
  cat "$scratch/windows.err" >&2
  exit 1
fi
# The summaries differ only in the folder and the time taken.
sed -e "s|$folder/linux|FOLDER|g; /^Time taken/d" "$scratch/linux.out" >"$scratch/linux.summary"
sed -e "s|$folder/windows|FOLDER|g; /^Time taken/d" "$scratch/windows.out" | tr -d '\r' >"$scratch/windows.summary"
if ! diff "$scratch/linux.summary" "$scratch/windows.summary"; then
  echo "FAIL: the summaries differ" >&2
  exit 1
fi
"$linux/orrin-import-dump" "$folder/linux/LIC.mdb" >"$scratch/linux.jsonl"
"$linux/orrin-import-dump" "$folder/windows/LIC.mdb" >"$scratch/windows.jsonl"
if ! cmp -s "$scratch/linux.jsonl" "$scratch/windows.jsonl"; then
  echo "FAIL: the target's tables differ" >&2
  diff "$scratch/linux.jsonl" "$scratch/windows.jsonl" | head -20 >&2
  exit 1
fi
strip_log() { sed -e '/^Date : /d; /^Time : /d' -e "s|$folder/[a-z]*|FOLDER|g" "$1"; }
if ! diff <(strip_log "$folder/linux.log") <(strip_log "$folder/windows.log") >/dev/null; then
  echo "FAIL: the error logs differ" >&2
  exit 1
fi
echo "PASS: $(grep -c '^{"table"' "$scratch/linux.jsonl" || true) tables, $(wc -l <"$scratch/linux.jsonl") lines equal; $(grep -c '^Err.Number' "$folder/linux.log" || true) error log entries equal"
