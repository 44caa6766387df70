# The part the kill tests share (kill_test.sh, kill_test_access.sh); each sources it after setting
#   label       the start of every message ("kill test")
#   import      the orrin-import program
# and defining
#   judge_run FOLDER HOW   checks the target a killed run left in FOLDER; sets verdict to "old" (the
#                          target as it was) or "new" (exactly the uninterrupted run's result) and
#                          holds to the words that say so, or fails.
# It gives: policies and moments (ORRIN_KILL_POLICIES, default 20000; ORRIN_KILL_MOMENTS, default
# 10), work (a scratch folder, removed on exit), fail, run_import FOLDER, uninterrupted_run (runs the
# import once on a copy of $work/pristine into $work/complete and sets elapsed) and kill_runs
# ALLOWED... (kills one run at each moment and checks it; ALLOWED are the patterns of the file names
# that may stand beside the databases afterwards).

policies=${ORRIN_KILL_POLICIES:-20000}
moments=${ORRIN_KILL_MOMENTS:-10}

work=$(mktemp -d "${TMPDIR:-/tmp}/orrin-kill.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "$label: FAILED: $*" >&2; exit 1; }
now() { date +%s.%N; }

# exec: the background job's pid is the program's own, so the kill reaches it and not a shell.
run_import() {
    exec "$import" --orrin-db "$1" --agent-db "$1" --bonus-db "$work/program/lic.mdb" \
        --error-log "$work/Error Log.txt" --on-error continue --quiet >/dev/null 2>&1
}

uninterrupted_run() {
    echo "$label: one uninterrupted run"
    cp -r "$work/pristine" "$work/complete"
    local started status=0
    started=$(now)
    (run_import "$work/complete") || status=$?
    elapsed=$(awk -v a="$(now)" -v b="$started" 'BEGIN { printf "%.3f", a - b }')
    [ "$status" -eq 0 ] || [ "$status" -eq 3 ] || fail "the uninterrupted run ended with status $status"
}

kill_runs() {
    local allowed=() pattern
    for pattern in LIC.mdb zrv.accdb "$@"; do
        allowed+=(-e "$pattern")
    done
    local source_sum old=0 new=0 killed_running=0 i moment folder pid how stray
    source_sum=$(sha256sum <"$work/pristine/zrv.accdb")
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

        judge_run "$folder" "$how"
        if [ "$verdict" = old ]; then old=$((old + 1)); else new=$((new + 1)); fi
        [ "$(sha256sum <"$folder/zrv.accdb")" = "$source_sum" ] || fail "run $i ($how): the source was written"
        stray=$(ls -A "$folder" | grep -v -x "${allowed[@]}" || true)
        [ -z "$stray" ] || fail "run $i ($how): stray files beside the databases: $stray"
        echo "$label: run $i $how: the target holds $holds"
        rm -rf "$folder" "$folder".*
    done

    echo "$label: $old runs kept the old contents, $new the complete result ($killed_running killed while running)"
    [ "$killed_running" -gt 0 ] || fail "no run was still going when it was killed"
    echo "$label: passed"
}
