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
label="kill test"
password='QZMRAKS'
source "$(dirname "$0")/kill_common.sh"

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

judge_run() {
    local folder=$1 how=$2
    dump "$folder/LIC.mdb" >"$folder.dump" 2>"$folder.err" \
        || fail "run $i ($how): the target does not open with its password: $(cat "$folder.err")"
    if cmp -s "$folder.dump" "$work/before.dump"; then
        verdict=old
        holds="exactly the old contents"
    elif cmp -s "$folder.dump" "$work/after.dump"; then
        verdict=new
        holds="exactly the complete result"
    else
        diff "$work/before.dump" "$folder.dump" | head -20 >&2 || true
        fail "run $i ($how): the target holds neither its old contents nor the complete result"
    fi
}

echo "$label: writing a sample of $policies policies"
"$sample" --out "$work/pristine" --policies "$policies" --seed 5 --bonus-db "$work/program/lic.mdb" \
    --format sqlcipher >/dev/null 2>&1 \
    || fail "the sample could not be written"
dump "$work/pristine/LIC.mdb" >"$work/before.dump" || fail "the pristine target does not open"

uninterrupted_run
dump "$work/complete/LIC.mdb" >"$work/after.dump" || fail "the target of the uninterrupted run does not open"
cmp -s "$work/before.dump" "$work/after.dump" && fail "the uninterrupted run changed nothing, so nothing can be told apart"
[ "$(sha256sum <"$work/complete/zrv.accdb")" = "$(sha256sum <"$work/pristine/zrv.accdb")" ] \
    || fail "the uninterrupted run wrote the source"
printf '%s: the uninterrupted run took %.1f s\n' "$label" "$elapsed"

# A kill can leave the engine's own journal behind (rolled back, or never hot); nothing else.
kill_runs 'LIC.mdb-journal'
