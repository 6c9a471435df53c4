#!/usr/bin/env bash
# Installs what is missing and builds the Debian package (build/package/tonvia_*.deb): the
# program, tonvia-cli, the udev rule, the desktop entry and the icon, for prefix /usr.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/package" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr -DTONVIA_BUILD_TESTS=OFF -DTONVIA_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/package" --target tonvia tonvia-cli -j"$(nproc)"
(cd "$root/build/package" && cpack -G DEB)
ls "$root"/build/package/*.deb
