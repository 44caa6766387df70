#!/usr/bin/env bash
# Kills orrin-import with SIGKILL at spread moments of a run on a large sample and checks, each time,
# that the target opens with its password and holds either exactly its old contents or exactly the
# result of an uninterrupted run (every table's rows compared, not only counts), and that the source
# was not written.
#
# Usage: kill_test.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE
# Environment: ORRIN_KILL_POLICIES (default 20000), ORRIN_KILL_MOMENTS (default 10).
set -euo pipefail

import=${1:?usage: kill_test.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE}
sample=${2:?usage: kill_test.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE}
policies=${ORRIN_KILL_POLICIES:-20000}
moments=${ORRIN_KILL_MOMENTS:-10}
password='QZMRAKS'

work=$(mktemp -d "${TMPDIR:-/tmp}/orrin-kill-test.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

fail() { echo "kill test: FAILED: $*" >&2; exit 1; }

# Every table of the target, in name order, each row as an INSERT statement in rowid order, read by
# the sqlcipher shell. Opening the file also rolls back a journal that a killed writer left.
dump() {
    local file=$1 tables script
    tables=$(printf "PRAGMA key='%s';\n.bail on\nSELECT name FROM sqlite_master WHERE type='table' ORDER BY name;\n" \
        "$password" | sqlcipher "$file") || return 1
    script=$(printf "PRAGMA key='%s';\n.bail on\nSELECT type, name, sql FROM sqlite_master ORDER BY type, name;\n" "$password")
    local table
    for table in $tables; do
        script+=$'\n'".mode insert $table"$'\n'"SELECT * FROM \"$table\" ORDER BY rowid;"$'\n'".mode list"
    done
    printf '%s\n' "$script" | sqlcipher "$file"
}

now() { date +%s.%N; }

echo "kill test: writing a sample of $policies policies"
"$sample" --out "$work/pristine" --policies "$policies" --seed 5 --bonus-db "$work/program/lic.mdb" \
    --format sqlcipher >/dev/null 2>&1 \
    || fail "the sample could not be written"
dump "$work/pristine/LIC.mdb" >"$work/before.dump" || fail "the pristine target does not open"
source_sum=$(sha256sum <"$work/pristine/zrv.accdb")

# exec: the background job's pid is the program's own, so the kill reaches it and not a shell.
run_import() {
    exec "$import" --orrin-db "$1" --agent-db "$1" --bonus-db "$work/program/lic.mdb" \
        --error-log "$work/Error Log.txt" --on-error continue --quiet >/dev/null 2>&1
}

echo "kill test: one uninterrupted run"
cp -r "$work/pristine" "$work/complete"
started=$(now)
status=0
(run_import "$work/complete") || status=$?
elapsed=$(awk -v a="$(now)" -v b="$started" 'BEGIN { printf "%.3f", a - b }')
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "the uninterrupted run ended with status $status"
dump "$work/complete/LIC.mdb" >"$work/after.dump" || fail "the target of the uninterrupted run does not open"
cmp -s "$work/before.dump" "$work/after.dump" && fail "the uninterrupted run changed nothing, so nothing can be told apart"
[ "$(sha256sum <"$work/complete/zrv.accdb")" = "$source_sum" ] || fail "the uninterrupted run wrote the source"
printf 'kill test: the uninterrupted run took %.1f s\n' "$elapsed"

old=0
new=0
killed_running=0
for ((i = 1; i <= moments; i++)); do
    # Spread over the run: 1/2n, 3/2n, ... of its length, from the opening to the commit.
    moment=$(awk -v t="$elapsed" -v i="$i" -v n="$moments" 'BEGIN { printf "%.3f", t * (2 * i - 1) / (2 * n) }')
    folder="$work/run$i"
    cp -r "$work/pristine" "$folder"
    (run_import "$folder") &
    pid=$!
    sleep "$moment"
    if kill -KILL "$pid" 2>/dev/null; then
        killed_running=$((killed_running + 1))
        how="killed at $(printf '%.2f' "$moment") s"
    else
        how="had finished by $(printf '%.2f' "$moment") s"
    fi
    wait "$pid" 2>/dev/null || true

    dump "$folder/LIC.mdb" >"$folder.dump" 2>"$folder.err" \
        || fail "run $i ($how): the target does not open with its password: $(cat "$folder.err")"
    if cmp -s "$folder.dump" "$work/before.dump"; then
        old=$((old + 1))
        holds="exactly the old contents"
    elif cmp -s "$folder.dump" "$work/after.dump"; then
        new=$((new + 1))
        holds="exactly the complete result"
    else
        diff "$work/before.dump" "$folder.dump" | head -20 >&2 || true
        fail "run $i ($how): the target holds neither its old contents nor the complete result"
    fi
    [ "$(sha256sum <"$folder/zrv.accdb")" = "$source_sum" ] || fail "run $i ($how): the source was written"
    # A kill can leave the engine's own journal behind (rolled back, or never hot); nothing else.
    stray=$(ls -A "$folder" | grep -v -x -e 'LIC.mdb' -e 'zrv.accdb' -e 'LIC.mdb-journal' || true)
    [ -z "$stray" ] || fail "run $i ($how): stray files beside the databases: $stray"
    echo "kill test: run $i $how: the target holds $holds"
    rm -rf "$folder" "$folder.dump" "$folder.err"
done

echo "kill test: $old runs kept the old contents, $new the complete result ($killed_running killed while running)"
[ "$killed_running" -gt 0 ] || fail "no run was still going when it was killed"
echo "kill test: passed"
