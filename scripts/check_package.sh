#!/bin/sh
# Builds the .deb of a build folder and checks that it holds the program, the command line,
# the udev rule, the desktop entry and the icon, and runs the udev reload after install.
# Usage: check_package.sh <build folder>
set -eu
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# Uncompressed and without the library scan: this checks the layout, not the release file.
(cd "$build" && cpack -G DEB -B "$out" -D CPACK_DEBIAN_COMPRESSION_TYPE=none \
    -D CPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF >"$out/cpack.log" 2>&1) || {
    cat "$out/cpack.log"
    exit 1
}
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
status=0
for file in bin/tonvia bin/tonvia-cli udev/rules.d/70-tonvia.rules \
    share/applications/tonvia.desktop share/icons/hicolor/scalable/apps/tonvia.svg; do
    if ! printf '%s\n' "$contents" | grep -q "$file\$"; then
        echo "missing from the package: $file"
        status=1
    fi
done
if ! dpkg-deb -I "$deb" postinst | grep -q 'udevadm trigger'; then
    echo "the package's postinst does not apply the udev rule"
    status=1
fi
[ $status -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $status
