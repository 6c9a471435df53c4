#!/bin/sh
# Placeholder download tool: stands in for the vendor's tool, which does not run here. It
# is run by /bin/sh in the working folder the packages were unpacked into. It checks the
# files a download needs, tells the virtual amplifier (through the control socket that
# TONVIA_SIM_CONTROL names) to take the package's firmware version, and reports.
#
# The program counts a run as successful only when this script exits with 0 and the last
# line it prints ends with "success"; every failure below exits non-zero with a line that
# says why.

fail() {
    echo "download failed: $*"
    exit 1
}

for file in jl_isd.bin jl_isd.fw app.bin dsp_image.bin isd_config.ini cfg_tool.bin \
    br23loader.bin uboot.boot isd_download.exe; do
    [ -s "$file" ] || fail "missing $file"
done
echo "files checked"

# The firmware package's isd_config.ini carries its version as "version=<main>.<slave>".
version=$(sed -n 's/^version=\([0-9]\{1,3\}\.[0-9]\{1,3\}\)\r\{0,1\}$/\1/p' isd_config.ini | head -n 1)
[ -n "$version" ] || fail "no firmware version in isd_config.ini"

# Without a virtual amplifier there is nothing this placeholder could install on, and
# saying otherwise would report an amplifier as updated that was never touched.
[ -n "${TONVIA_SIM_CONTROL:-}" ] || fail "no virtual amplifier to install on (TONVIA_SIM_CONTROL is not set)"
command -v socat >/dev/null 2>&1 || fail "socat is not installed"

echo "installing firmware $version"
reply=$(printf 'flash %s\n' "$version" | socat -t 10 -T 15 - "UNIX-CONNECT:$TONVIA_SIM_CONTROL" 2>&1) ||
    fail "the virtual amplifier cannot be reached: $reply"
case "$reply" in
    ok*) ;;
    *) fail "the virtual amplifier answered: $reply" ;;
esac
echo "download firmware $version success"
