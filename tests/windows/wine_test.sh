#!/usr/bin/env bash
# The Windows build under Wine: the core tests run once as a whole, then datemark-cli.exe sets,
# shows and shifts times and attributes of real files, checked from the Linux side (local times
# in the zone TZ names, which Wine takes for the Windows one). Wine gets a
# prefix of its own in the build folder and its server is stopped at the end, so that nothing
# stays running.
#   wine_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[ -x "$wine" ] || { echo "SKIP: wine64 is not installed"; exit 77; }

export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=UTC
# A Linux path as Windows programs under Wine name it.
win() { echo "Z:${1//\//\\}"; }
work=$(mktemp -d)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$WINEPREFIX"

echo "-- core tests"
"$wine" "$build/tests/datemark_core_tests.exe" --gtest_brief=1 --gtest_output="xml:$(win "$build/wine-core-tests.xml")"

echo "-- datemark-cli.exe on real files"
failed=0
fail() { echo "FAIL: $*"; failed=1; }
cli() { "$wine" "$build/src/cli/datemark-cli.exe" "$@"; }

printf 'hello' >"$work/a.txt"
mkdir "$work/d"
printf 'x' >"$work/d/b.txt"
printf 'y' >"$work/d/c.txt"

cli set --modified 2001-02-03T04:05:06Z --attributes +h "$(win "$work/a.txt")" || fail "set a.txt"
[ "$(stat -c %Y "$work/a.txt")" = 981173106 ] || fail "set did not write the last-write time"
shown=$(cli show "$(win "$work/a.txt")")
grep -q '2001-02-03T04:05:06+00:00  -HA' <<<"$shown" || fail "show: $shown"

cli set --attributes +r "$(win "$work/a.txt")" || fail "set +r"
[ "$(stat -c %a "$work/a.txt")" = 444 ] || fail "read-only did not take the write bits"
cli shift --modified +1h "$(win "$work/a.txt")" || fail "shift on a read-only file"
[ "$(stat -c %Y "$work/a.txt")" = 981176706 ] || fail "shift did not move the last-write time"
[ "$(stat -c %a "$work/a.txt")" = 444 ] || fail "shift did not leave the file read-only"
json=$(cli show --json "$(win "$work/a.txt")")
grep -q '"attributes":"RHA"\|RHA' <<<"$json" || fail "show --json: $json"

cli set -r --modified 2010-01-01T00:00:00Z "$(win "$work/d")" || fail "set -r"
for f in b c; do
    [ "$(stat -c %Y "$work/d/$f.txt")" = 1262304000 ] || fail "set -r did not reach d/$f.txt"
done

# Local times at the offset of their own date: Berlin keeps summer time in July, not in January.
printf 's' >"$work/summer.txt"
printf 'w' >"$work/winter.txt"
TZ=Europe/Berlin cli set --modified 2001-07-01T12:00:00 "$(win "$work/summer.txt")" || fail "set summer"
TZ=Europe/Berlin cli set --modified 2001-01-01T12:00:00 "$(win "$work/winter.txt")" || fail "set winter"
[ "$(stat -c %Y "$work/summer.txt")" = 993981600 ] || fail "a July time in Berlin is not UTC+2"
[ "$(stat -c %Y "$work/winter.txt")" = 978346800 ] || fail "a January time in Berlin is not UTC+1"
shown=$(TZ=Asia/Tokyo cli show "$(win "$work/summer.txt")")
grep -q '2001-07-01T19:00:00+09:00' <<<"$shown" || fail "show in Tokyo: $shown"

# A name in Japanese on a system whose ANSI code page has no Japanese: the arguments are read
# from the wide command line, not as the C runtime narrows them.
printf 'j' >"$work/日本語.txt"
LC_ALL=C.UTF-8 cli set --modified 2001-02-03T04:05:06Z "$(win "$work/日本語.txt")" || fail "set on a Japanese name"
[ "$(stat -c %Y "$work/日本語.txt")" = 981173106 ] || fail "a Japanese name did not reach the file"

status=0
errors=$(cli copy --created-from exif "$(win "$work/a.txt")" 2>&1) || status=$?
[ "$status" = 2 ] && grep -q 'reads no Exif data' <<<"$errors" || fail "copy from exif: $status $errors"

[ "$failed" = 0 ] && echo "datemark-cli.exe: all checks passed"
exit "$failed"
