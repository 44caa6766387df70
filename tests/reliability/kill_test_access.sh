#!/usr/bin/env bash
# Kills orrin-import with SIGKILL at spread moments of a run whose target is a real Access file (a
# copy of the agent's Jet 4 LIC.mdb) and checks, each time, that the target is either byte for byte
# the file it was or exactly the result of an uninterrupted run (every table, read back with the
# program's own dump), and that the source was not written. A kill while the new copy is being
# written may leave that copy (LIC.mdb.orrin-XXXXXX) beside the file, and a kill at any moment the
# run's lock file (LIC.ldb, as the engine leaves it after a crash), which holds this program's entry
# alone and which the next run takes over; the file itself is never torn.
#
# Usage: kill_test_access.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE ORRIN_IMPORT_DUMP ACCESS_LIC_MDB
# Environment: ORRIN_KILL_POLICIES (default 20000), ORRIN_KILL_MOMENTS (default 10).
set -euo pipefail

import=${1:?usage: kill_test_access.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE ORRIN_IMPORT_DUMP ACCESS_LIC_MDB}
sample=${2:?}
dump_program=${3:?}
access_target=${4:?}
policies=${ORRIN_KILL_POLICIES:-20000}
moments=${ORRIN_KILL_MOMENTS:-10}

work=$(mktemp -d "${TMPDIR:-/tmp}/orrin-kill-access.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "access kill test: FAILED: $*" >&2; exit 1; }
now() { date +%s.%N; }

echo "access kill test: writing a sample of $policies policies; the target is a copy of $access_target"
"$sample" --out "$work/pristine" --policies "$policies" --seed 5 --bonus-db "$work/program/lic.mdb" >/dev/null 2>&1 \
    || fail "the sample could not be written"
cp "$access_target" "$work/pristine/LIC.mdb"
target_sum=$(sha256sum <"$work/pristine/LIC.mdb")
source_sum=$(sha256sum <"$work/pristine/zrv.accdb")

run_import() {
    exec "$import" --orrin-db "$1" --agent-db "$1" --bonus-db "$work/program/lic.mdb" \
        --error-log "$work/Error Log.txt" --on-error continue --quiet >/dev/null 2>&1
}

echo "access kill test: one uninterrupted run"
cp -r "$work/pristine" "$work/complete"
started=$(now)
status=0
(run_import "$work/complete") || status=$?
elapsed=$(awk -v a="$(now)" -v b="$started" 'BEGIN { printf "%.3f", a - b }')
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "the uninterrupted run ended with status $status"
"$dump_program" "$work/complete/LIC.mdb" >"$work/after.dump" || fail "the target of the uninterrupted run does not read"
[ "$(sha256sum <"$work/complete/LIC.mdb")" != "$target_sum" ] || fail "the uninterrupted run changed nothing"
printf 'access kill test: the uninterrupted run took %.1f s\n' "$elapsed"

old=0
new=0
killed_running=0
for ((i = 1; i <= moments; i++)); do
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

    if [ "$(sha256sum <"$folder/LIC.mdb")" = "$target_sum" ]; then
        old=$((old + 1))
        holds="byte for byte the old file"
    else
        "$dump_program" "$folder/LIC.mdb" >"$folder.dump" 2>&1 || fail "run $i ($how): the target does not read"
        cmp -s "$folder.dump" "$work/after.dump" || fail "run $i ($how): the target is neither the old file nor the complete result"
        new=$((new + 1))
        holds="exactly the complete result"
    fi
    [ "$(sha256sum <"$folder/zrv.accdb")" = "$source_sum" ] || fail "run $i ($how): the source was written"
    if [ -e "$folder/LIC.ldb" ]; then
        [ "$(($(stat -c %s "$folder/LIC.ldb") % 64))" -eq 0 ] && grep -q orrin-import "$folder/LIC.ldb" \
            || fail "run $i ($how): the lock file left is not the run's own"
    fi
    stray=$(ls -A "$folder" | grep -v -x -e 'LIC.mdb' -e 'zrv.accdb' -e 'LIC\.mdb\.orrin-......' -e 'LIC\.ldb' || true)
    [ -z "$stray" ] || fail "run $i ($how): stray files beside the databases: $stray"
    echo "access kill test: run $i $how: the target is $holds"
    rm -rf "$folder" "$folder.dump"
done

echo "access kill test: $old runs kept the old file, $new the complete result ($killed_running killed while running)"
[ "$killed_running" -gt 0 ] || fail "no run was still going when it was killed"
echo "access kill test: passed"
