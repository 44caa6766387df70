#!/usr/bin/env bash
# Stop signals, a reader that goes away, and a writer in the source, each at spread moments of a
# run on a large sample. After SIGINT, SIGTERM or SIGHUP the run must end by itself with status 1,
# say "stopped by signal N: the target is unchanged", and leave the target file whole on its own
# (copied without any journal, it passes the integrity check and holds exactly its old rows). A
# second signal ends the run at once; the journal then still protects the file. A closed pipe on
# stdout or stderr never stops the run. Rows written into the source during the run never reach the
# target: the run reads one snapshot.
#
# Usage: signal_test.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE
# Environment: ORRIN_SIGNAL_POLICIES (default 20000).
set -euo pipefail

import=${1:?usage: signal_test.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE}
sample=${2:?usage: signal_test.sh ORRIN_IMPORT ORRIN_IMPORT_SAMPLE}
policies=${ORRIN_SIGNAL_POLICIES:-20000}
password='QZMRAKS'

work=$(mktemp -d "${TMPDIR:-/tmp}/orrin-signal-test.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

fail() { echo "signal test: FAILED: $*" >&2; exit 1; }

# Every table in name order, each row as an INSERT statement in rowid order.
dump() {
    local file=$1 tables script table
    tables=$(printf "PRAGMA key='%s';\n.bail on\nSELECT name FROM sqlite_master WHERE type='table' ORDER BY name;\n" \
        "$password" | sqlcipher "$file") || return 1
    script=$(printf "PRAGMA key='%s';\n.bail on\nSELECT type, name, sql FROM sqlite_master ORDER BY type, name;\n" "$password")
    for table in $tables; do
        script+=$'\n'".mode insert $table"$'\n'"SELECT * FROM \"$table\" ORDER BY rowid;"$'\n'".mode list"
    done
    printf '%s\n' "$script" | sqlcipher "$file"
}

# The target file alone, its journal (if any) left behind: integrity check, then its rows.
alone() {
    local folder=$1 copy
    copy=$(mktemp -d "$work/alone.XXXXXX")
    cp "$folder/LIC.mdb" "$copy/LIC.mdb"
    local check
    check=$(printf "PRAGMA key='%s';\nPRAGMA integrity_check;\n" "$password" | sqlcipher "$copy/LIC.mdb" 2>&1) || true
    [ "$check" = "ok" ] || { echo "integrity check: $check"; rm -rf "$copy"; return 1; }
    dump "$copy/LIC.mdb"
    rm -rf "$copy"
}

now() { date +%s.%N; }
elapsed_since() { awk -v a="$(now)" -v b="$1" 'BEGIN { printf "%.3f", a - b }'; }

echo "signal test: writing a sample of $policies policies"
"$sample" --out "$work/pristine" --policies "$policies" --seed 5 --bonus-db "$work/program/lic.mdb" \
    --format sqlcipher >/dev/null 2>&1 \
    || fail "the sample could not be written"
dump "$work/pristine/LIC.mdb" >"$work/before.dump" || fail "the pristine target does not open"

# The run's arguments on a folder, in ARGS.
set_args() {
    ARGS=(--orrin-db "$1" --agent-db "$1" --bonus-db "$work/program/lic.mdb" --error-log "$work/Error Log.txt"
        --on-error continue)
}

echo "signal test: one uninterrupted run"
cp -r "$work/pristine" "$work/complete"
set_args "$work/complete"
started=$(now)
status=0
"$import" "${ARGS[@]}" --quiet >/dev/null 2>&1 || status=$?
length=$(elapsed_since "$started")
[ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "the uninterrupted run ended with status $status"
dump "$work/complete/LIC.mdb" >"$work/after.dump" || fail "the complete target does not open"
cmp -s "$work/before.dump" "$work/after.dump" && fail "the uninterrupted run changed nothing"
echo "signal test: the uninterrupted run took $length s"

# A stop signal at a fraction of the run: either the run was still going (status 1, the message,
# the file alone as before) or it had finished (status 0 or 3, the complete result).
stopped=0
for signal in INT TERM HUP; do
    number=$(kill -l "$signal")
    for fraction in 0.1 0.4 0.7; do
        folder="$work/$signal-$fraction"
        cp -r "$work/pristine" "$folder"
        set_args "$folder"
        moment=$(awk -v t="$length" -v f="$fraction" 'BEGIN { printf "%.3f", t * f }')
        # A script's background job starts with SIGINT ignored; the program is given it back.
        env --default-signal="$signal" "$import" "${ARGS[@]}" --quiet >"$folder.out" 2>"$folder.err" &
        pid=$!
        sleep "$moment"
        kill -s "$signal" "$pid" 2>/dev/null || true
        status=0
        wait "$pid" || status=$?
        case $status in
        1)
            grep -qx "orrin-import: stopped by signal $number: the target is unchanged" "$folder.err" \
                || fail "$signal at $moment s: no word of the signal: $(cat "$folder.err")"
            grep -q "Outcome:                   stopped, rolled back: the target is unchanged" "$folder.out" \
                || fail "$signal at $moment s: the summary does not say it was rolled back"
            alone "$folder" >"$folder.dump" || fail "$signal at $moment s: the target file alone is not whole: $(cat "$folder.dump")"
            cmp -s "$folder.dump" "$work/before.dump" || fail "$signal at $moment s: the target file alone changed"
            stopped=$((stopped + 1))
            echo "signal test: $signal at $moment s: stopped, the target file alone as before"
            ;;
        0 | 3)
            alone "$folder" >"$folder.dump" || fail "$signal at $moment s: the finished target is not whole"
            cmp -s "$folder.dump" "$work/after.dump" || fail "$signal at $moment s: finished, but not with the complete result"
            echo "signal test: $signal at $moment s: the run had finished"
            ;;
        *) fail "$signal at $moment s: ended with status $status: $(cat "$folder.err")" ;;
        esac
        rm -rf "$folder" "$folder".*
    done
done
[ "$stopped" -gt 0 ] || fail "no run was still going when its signal came"

# Two signals close together: the second ends the program by its default action. What it leaves
# opens as its old contents (a reader replays the journal).
folder="$work/twice"
cp -r "$work/pristine" "$folder"
set_args "$folder"
env --default-signal=TERM "$import" "${ARGS[@]}" --quiet >/dev/null 2>&1 &
pid=$!
sleep "$(awk -v t="$length" 'BEGIN { printf "%.3f", t * 0.3 }')"
kill -TERM "$pid" 2>/dev/null && kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
dump "$folder/LIC.mdb" >"$folder.dump" || fail "after two signals the target does not open"
cmp -s "$folder.dump" "$work/before.dump" || cmp -s "$folder.dump" "$work/after.dump" \
    || fail "after two signals (status $status) the target holds neither its old rows nor the complete result"
echo "signal test: two signals: status $status, the target opens as before"
rm -rf "$folder" "$folder".*

# Readers that go away: stderr into a pipe whose reader leaves after the first line, stdout into a
# pipe whose reader leaves at once, and stdout closed. The run goes on to its end.
for how in "stderr to head -n 1" "stdout to true" "stdout closed"; do
    folder="$work/pipe"
    cp -r "$work/pristine" "$folder"
    set_args "$folder"
    status=0
    case $how in
    "stderr to head -n 1")
        set +o pipefail
        "$import" "${ARGS[@]}" 2>&1 >/dev/null | head -n 1 >/dev/null
        status=${PIPESTATUS[0]}
        set -o pipefail
        ;;
    "stdout to true")
        set +o pipefail
        "$import" "${ARGS[@]}" 2>/dev/null | true
        status=${PIPESTATUS[0]}
        set -o pipefail
        ;;
    "stdout closed")
        "$import" "${ARGS[@]}" >&- 2>/dev/null || status=$?
        ;;
    esac
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "$how: the run ended with status $status"
    alone "$folder" >"$folder.dump" || fail "$how: the target is not whole"
    cmp -s "$folder.dump" "$work/after.dump" || fail "$how: the target is not the complete result"
    echo "signal test: $how: the run finished with status $status"
    rm -rf "$folder" "$folder".*
done

# A writer adds a family and its client to the source while the run goes on. The run reads one
# snapshot, so the target holds exactly the rows of the untouched source; the writer gets in once
# the run lets go of the source.
written=0
for fraction in 0.2 0.5; do
    folder="$work/written"
    cp -r "$work/pristine" "$folder"
    set_args "$folder"
    "$import" "${ARGS[@]}" --quiet >/dev/null 2>&1 &
    pid=$!
    sleep "$(awk -v t="$length" -v f="$fraction" 'BEGIN { printf "%.3f", t * f }')"
    kill -0 "$pid" 2>/dev/null && running=yes || running=no
    printf "PRAGMA key='%s';\n.timeout 60000\nBEGIN IMMEDIATE;\n%s\n%s\nCOMMIT;\n" '%Q7k!Lw2~(&9}R' \
        "INSERT INTO Family (FamilyCode, HeadName) VALUES ('ZZ-NEW', 'Written during the run');" \
        "INSERT INTO Client1 (FamilyCode, PersCode, Name) VALUES ('ZZ-NEW', 1, 'New client');" \
        | sqlcipher "$folder/zrv.accdb" >/dev/null 2>"$folder.writer" || fail "the writer failed: $(cat "$folder.writer")"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "written at $fraction: the run ended with status $status"
    alone "$folder" >"$folder.dump" || fail "written at $fraction: the target is not whole"
    if [ "$running" = yes ]; then
        cmp -s "$folder.dump" "$work/after.dump" || fail "written at $fraction: rows written during the run reached the target"
        written=$((written + 1))
        echo "signal test: a writer during the run at $fraction: the target holds the snapshot's rows only"
    else
        echo "signal test: a writer at $fraction: the run had finished before it"
    fi
    rm -rf "$folder" "$folder".*
done
[ "$written" -gt 0 ] || fail "no writer came while the run was going"

echo "signal test: passed"
