#!/usr/bin/env bash
# Installs what is missing, builds the application (release) and starts it with the
# arguments given, e.g. --demo for the built-in virtual amplifier.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTONVIA_BUILD_TESTS=OFF -DTONVIA_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target tonvia -j"$(nproc)"
exec "$root/build/release/src/app/tonvia" "$@"
