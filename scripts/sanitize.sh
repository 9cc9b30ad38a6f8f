#!/usr/bin/env bash
# Builds the tests a second time with AddressSanitizer and UndefinedBehaviorSanitizer and runs them,
# then the thumbnail tests (where the worker threads are) with ThreadSanitizer, then builds the libFuzzer
# targets with clang and runs each over its seed corpus for a short while.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
asan_build=${ORVALIS_ASAN_BUILD_DIR:-"$root/build-asan"}
tsan_build=${ORVALIS_TSAN_BUILD_DIR:-"$root/build-tsan"}
fuzz_build=${ORVALIS_FUZZ_BUILD_DIR:-"$root/build-fuzz"}
fuzz_seconds=${ORVALIS_FUZZ_SECONDS:-20}

"$root/scripts/install-deps.sh"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cmake -S "$root" -B "$asan_build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALIS_SANITIZE=ON -DORVALIS_BUILD_TESTS=ON
cmake --build "$asan_build"
runtime=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$runtime" "$work"' EXIT
(
    export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
    cd "$asan_build"
    ctest --output-on-failure --timeout 600
)

# ThreadSanitizer cannot be combined with AddressSanitizer, so it gets a build of its own. Qt is not
# instrumented: the thumbnail messages state their hand-over with an atomic of their own (ThumbPacket.h).
cmake -S "$root" -B "$tsan_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_SANITIZE_THREAD=ON \
    -DORVALIS_BUILD_TESTS=ON
cmake --build "$tsan_build" --target thumbnails_tests
(
    export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp"
    "$tsan_build/bin/thumbnails_tests" --gtest_repeat=5
)

CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVALIS_BUILD_FUZZ=ON -DORVALIS_BUILD_TESTS=OFF
cmake --build "$fuzz_build" --target fuzzers
for fuzzer in "$fuzz_build"/bin/fuzz_*; do
    name=$(basename "$fuzzer")
    corpus="$work/$name"
    mkdir -p "$corpus"
    if [ -d "$root/fuzz/corpus/$name" ]; then
        cp -r "$root/fuzz/corpus/$name/." "$corpus/"
    fi
    echo "fuzz: $name for ${fuzz_seconds}s"
    "$fuzzer" -max_total_time="$fuzz_seconds" -rss_limit_mb=2560 -print_final_stats=0 "$corpus" 2>"$work/$name.log" ||
        { tail -n 60 "$work/$name.log"; echo "fuzz: $name failed" >&2; exit 1; }
done
echo "sanitizer run: all clean"
