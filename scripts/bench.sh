#!/usr/bin/env bash
# Installs what is missing, builds the Google Benchmark programs of bench/ and runs the ones named, one
# after the other; with none named, builds them all and lists them. bench/README.md says what each
# measures and how to read its figures.
#
# Usage: scripts/bench.sh [PROGRAM]... [OPTION]...
#   PROGRAM  a benchmark program, for example bench_resampler (the list: scripts/bench.sh alone)
#   OPTION   anything starting with "-", given to every program named: Google Benchmark's options, for
#            example --benchmark_filter=REGEX, --benchmark_repetitions=9,
#            --benchmark_report_aggregates_only=true, --benchmark_list_tests=true
#
# They are built in a folder of their own, $ORVALIS_BENCH_BUILD_DIR, else build-bench/ (RelWithDebInfo
# as scripts/test.sh builds, without the tests), and run on Qt's offscreen platform unless
# QT_QPA_PLATFORM names another, with a runtime folder of their own.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${ORVALIS_BENCH_BUILD_DIR:-"$root/build-bench"}")

# The programs, each with its source, as bench/CMakeLists.txt declares them.
declared=$(sed -n 's/^orvalis_add_benchmark(\([a-z0-9_]*\) SOURCES \([^ )]*\).*/\1 bench\/\2/p' "$root/bench/CMakeLists.txt")
list_programs() {
    local name source
    while read -r name source; do
        printf '  %-28s %s\n' "$name" "$source"
    done <<<"$declared"
}
programs=()
options=()
for argument in "$@"; do
    case "$argument" in
        -*) options+=("$argument") ;;
        *)
            if ! cut -d' ' -f1 <<<"$declared" | grep -qxF "$argument"; then
                echo "bench.sh: no benchmark program $argument; they are:" >&2
                list_programs >&2
                exit 2
            fi
            programs+=("$argument")
            ;;
    esac
done
if ((${#options[@]} > 0 && ${#programs[@]} == 0)); then
    echo "bench.sh: options but no program to give them to" >&2
    exit 2
fi

"$root/scripts/install-deps.sh" bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_BUILD_BENCH=ON \
    -DORVALIS_BUILD_TESTS=OFF -DORVALIS_BUILD_FUZZ=OFF -DORVALIS_SANITIZE=OFF -DORVALIS_SANITIZE_THREAD=OFF
if ((${#programs[@]} == 0)); then
    mapfile -t targets < <(cut -d' ' -f1 <<<"$declared")
    cmake --build "$build" --target "${targets[@]}"
    echo "The benchmark programs, in $build/bin (run one with scripts/bench.sh PROGRAM [OPTION]...):"
    list_programs
    exit 0
fi
cmake --build "$build" --target "${programs[@]}"

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} XDG_RUNTIME_DIR="$runtime"
for program in "${programs[@]}"; do
    echo "== $program ${options[*]}"
    "$build/bin/$program" "${options[@]}"
done
