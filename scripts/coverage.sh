#!/usr/bin/env bash
# Line coverage of the protocol core: builds the model and command suites with gcov
# instrumentation, runs them, and prints the coverage of src/commands and src/model.
# Exits non-zero when either is below the bar (90 % unless TONVIA_COVERAGE_MIN says).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/coverage"
minimum=${TONVIA_COVERAGE_MIN:-90}

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTONVIA_BUILD_BENCH=OFF \
    -DTONVIA_BUILD_APP=OFF -DCMAKE_CXX_FLAGS="--coverage -O0" \
    -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
find "$build" -name "*.gcda" -delete
# CMake's compiler probe is instrumented too; it is no part of the project.
find "$build/CMakeFiles" -name "*.gcno" -delete
cmake --build "$build" -j"$(nproc)" --target commands_tests model_tests
"$build/tests/commands/commands_tests" >/dev/null
"$build/tests/model/model_tests" >/dev/null

status=0
for folder in commands model; do
    echo "== src/$folder =="
    gcovr --root "$root" --object-directory "$build" --filter "$root/src/$folder/" \
        --exclude-unreachable-branches --print-summary \
        --txt /dev/null \
        --fail-under-line "$minimum" || status=1
done
exit $status
