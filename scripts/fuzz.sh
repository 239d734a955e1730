#!/bin/sh
# Runs every libFuzzer target for a given time each, starting from its seeds, and prints what
# it found. Build the targets first (see README, "Fuzzing").
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [FUZZ_BUILD_DIR] [TARGET...]
# (every target when none is named, e.g. scripts/fuzz.sh 600 build-fuzz FuzzPng)
# A dictionary fuzz/dicts/NAME.dict is used when there is one. The corpus grows in fuzz/corpus-NAME/, inputs that crash, leak or hang land in
# fuzz/findings-NAME/. Exits with 1 when anything was found.
set -eu

seconds="${1:-60}"
build="${2:-build-fuzz}"
root="$(cd "$(dirname "$0")/.." && pwd)"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

if [ $# -ge 2 ]; then shift 2; else shift $#; fi
if [ $# -gt 0 ]; then
    targets=""
    for name in "$@"; do targets="$targets $build/fuzz/$name"; done
else
    targets=$(find "$build/fuzz" -maxdepth 1 -type f -name 'Fuzz*' -perm -u+x 2>/dev/null | sort)
fi
if [ -z "$targets" ]; then
    echo "No fuzz targets in $build/fuzz; build them first (README, \"Fuzzing\")." >&2
    exit 2
fi

# The seeds of FuzzCalibPoints are in fuzz/seeds/points: a seed folder whose name ends the
# target's name belongs to it.
seeds_of() {
    for dir in "$root"/fuzz/seeds/*/; do
        dir="${dir%/}"
        case "$1" in *"$(basename "$dir")") echo "$dir"; return ;; esac
    done
}

found_any=0
summary=""
for target in $targets; do
    name=$(basename "$target")
    short=$(echo "${name#Fuzz}" | tr 'A-Z' 'a-z')
    corpus="$root/fuzz/corpus-$short"
    findings="$root/fuzz/findings-$short"
    seeds=$(seeds_of "$short")
    dict=""
    [ -f "$root/fuzz/dicts/$short.dict" ] && dict="-dict=$root/fuzz/dicts/$short.dict"
    mkdir -p "$corpus" "$findings"
    log="$findings/last-run.log"
    echo "== $name: $seconds s, seeds ${seeds:-none}"
    status=0
    # shellcheck disable=SC2086
    "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 \
        -artifact_prefix="$findings/" $dict "$corpus" $seeds >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
    bad=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' \
        -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    line="$name: ${runs:-0} runs, coverage ${cov:-?}, corpus $(ls "$corpus" | wc -l) files"
    if [ "$bad" -gt 0 ] || [ "$status" -ne 0 ]; then
        found_any=1
        line="$line, FOUND $bad input(s) in $findings (exit $status, see last-run.log)"
    else
        line="$line, nothing found"
    fi
    echo "$line"
    summary="$summary$line
"
done

echo
echo "Summary:"
printf '%s' "$summary"
exit "$found_any"
