#!/usr/bin/env bash
# Makes the Debian package from the build and lets lintian judge it: no error allowed, and
# every warning either fixed or named here with its reason.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
for tool in cpack dpkg-shlibdeps lintian; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" || { cat "$out/cpack.log"; exit 1; }
deb=$out/datemark_${version}_amd64.deb
[ -f "$deb" ] || { echo "FAIL: no $deb"; ls "$out"; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libexiv2-27 libqt6widgets6 libc6; do
    grep -q "$library" <<<"$depends" || { echo "FAIL: $library is not among the dependencies"; exit 1; }
done
# Accepted, with reasons:
#  - no-manual-page and the like cannot occur: both programs have one;
#  - running as root: CI builds as root.
lintian --fail-on error,warning --allow-root \
    --suppress-tags "" \
    "$deb"
