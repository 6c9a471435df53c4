#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test:
#   1. the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer (GoogleTest
#      suites and the replay of every fuzz corpus);
#   2. the concurrency tests of the link and the session under ThreadSanitizer;
#   3. every libFuzzer target for a short, bounded time (clang);
#   4. a release build of the application and the benchmarks.
# Exits non-zero when anything fails; the last line sums up all runs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
fuzz_seconds=${TONVIA_FUZZ_SECONDS:-20}

bash "$root/scripts/install-deps.sh" || { echo "dependency installation failed"; exit 1; }

passed=0
failed=0
status=0

# Runs ctest in a build folder and adds its counts to the totals.
run_ctest() {
    local dir=$1; shift
    local log
    log=$(mktemp)
    (cd "$dir" && ${CTEST_WRAP:-} ctest --output-on-failure "$@") 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    local line
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        local total fail
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
        fail=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$line")
        passed=$((passed + total - fail))
        failed=$((failed + fail))
    elif [ "$rc" -ne 0 ]; then
        failed=$((failed + 1))
    fi
    [ "$rc" -eq 0 ] || status=1
    rm -f "$log"
}

build() {
    local dir=$1; shift
    cmake --build "$dir" -j"$jobs" "$@" || { echo "build failed in $dir"; failed=$((failed + 1)); status=1; return 1; }
}

echo "== ThreadSanitizer: link and session concurrency =="
if cmake -S "$root" -B "$root/build/tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DTONVIA_SANITIZE=thread -DTONVIA_BUILD_BENCH=OFF -DTONVIA_BUILD_APP=OFF >/dev/null &&
    build "$root/build/tsan" --target link_concurrency_tests tuning_concurrency_tests; then
    # TSan cannot map its shadow memory with the kernel's highest address randomisation.
    if command -v setarch >/dev/null 2>&1 && setarch "$(uname -m)" -R true 2>/dev/null; then
        TSAN_WRAP="setarch $(uname -m) -R"
    else
        TSAN_WRAP=""
    fi
    export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
    CTEST_WRAP="$TSAN_WRAP" run_ctest "$root/build/tsan" -L concurrency
else
    status=1
fi

echo "== libFuzzer: ${fuzz_seconds} s per target =="
if CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DTONVIA_BUILD_FUZZ=ON -DTONVIA_FUZZ_SECONDS="$fuzz_seconds" -DTONVIA_BUILD_TESTS=OFF \
        -DTONVIA_BUILD_BENCH=OFF -DTONVIA_BUILD_APP=OFF >/dev/null &&
    build "$root/build/fuzz"; then
    run_ctest "$root/build/fuzz" -L fuzz -j"$jobs"
else
    status=1
fi

echo "== Release build: the application and the benchmarks =="
# The application is started from an optimised build; its warnings differ from Debug's.
if ! { cmake -S "$root" -B "$root/build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DTONVIA_BUILD_TESTS=OFF >/dev/null && build "$root/build/bench"; }; then
    status=1
fi

echo "== AddressSanitizer + UndefinedBehaviorSanitizer: all tests =="
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
if cmake -S "$root" -B "$root/build/asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DTONVIA_SANITIZE=address,undefined >/dev/null &&
    build "$root/build/asan"; then
    run_ctest "$root/build/asan" -j"$jobs"
else
    status=1
fi

echo
echo "all: $passed passed, $failed failed"
exit $status
