#!/usr/bin/env bash
# Kills orrin-import with SIGKILL at spread moments of a run whose target is a real Access file (a
# copy of the agent's Jet 4 LIC.mdb) and checks, each time, that the target is either byte for byte
# the file it was or exactly the result of an uninterrupted run (every table, read back with the
# program's own dump), and that the source was not written. A kill while the new copy is being
# written may leave that copy (LIC.mdb.orrin-XXXXXX) beside the file; the file itself is never torn.
#
# Usage: kill_test_access.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE ORRIN_IMPORT_DUMP ACCESS_LIC_MDB
# Environment: ORRIN_KILL_POLICIES (default 20000), ORRIN_KILL_MOMENTS (default 10).
set -euo pipefail

import=${1:?usage: kill_test_access.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE ORRIN_IMPORT_DUMP ACCESS_LIC_MDB}
sample=${2:?}
dump_program=${3:?}
access_target=${4:?}
label="access kill test"
source "$(dirname "$0")/kill_common.sh"

judge_run() {
    local folder=$1 how=$2
    if [ "$(sha256sum <"$folder/LIC.mdb")" = "$target_sum" ]; then
        verdict=old
        holds="byte for byte the old file"
    else
        "$dump_program" "$folder/LIC.mdb" >"$folder.dump" 2>&1 || fail "run $i ($how): the target does not read"
        cmp -s "$folder.dump" "$work/after.dump" || fail "run $i ($how): the target is neither the old file nor the complete result"
        verdict=new
        holds="exactly the complete result"
    fi
    # A killed run may leave its lock file, as a crashed engine does; it holds only the run's entry.
    if [ -e "$folder/LIC.ldb" ]; then
        [ "$(($(stat -c %s "$folder/LIC.ldb") % 64))" -eq 0 ] && grep -q orrin-import "$folder/LIC.ldb" \
            || fail "run $i ($how): the lock file left is not the run's own"
    fi
}

echo "$label: writing a sample of $policies policies; the target is a copy of $access_target"
"$sample" --out "$work/pristine" --policies "$policies" --seed 5 --bonus-db "$work/program/lic.mdb" >/dev/null 2>&1 \
    || fail "the sample could not be written"
cp "$access_target" "$work/pristine/LIC.mdb"
target_sum=$(sha256sum <"$work/pristine/LIC.mdb")

uninterrupted_run
"$dump_program" "$work/complete/LIC.mdb" >"$work/after.dump" || fail "the target of the uninterrupted run does not read"
[ "$(sha256sum <"$work/complete/LIC.mdb")" != "$target_sum" ] || fail "the uninterrupted run changed nothing"
printf '%s: the uninterrupted run took %.1f s\n' "$label" "$elapsed"

kill_runs 'LIC\.mdb\.orrin-......' 'LIC\.ldb'
