#!/usr/bin/env bash
# Installs the build as a package would, into a scratch root, and checks what a desktop and a
# shell find there: the files in their places, the desktop entry and the metainfo as their
# validators see them, manual pages that render without a warning, and every option of the
# command line in its manual page and its completion.
#   install_test.sh BUILD_DIR APP_ID
set -euo pipefail
build=$1
id=$2
for tool in desktop-file-validate appstreamcli man; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr=$root/usr
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for f in bin/datemark bin/datemark-cli share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/man/man1/datemark.1.gz share/man/man1/datemark-cli.1.gz \
    share/bash-completion/completions/datemark-cli share/doc/datemark/copyright; do
    [ -s "$usr/$f" ] || fail "$f is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "$png is no $size x $size PNG"
done

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=datemark %F' "$usr/share/applications/$id.desktop" || fail "the entry does not hand over files"
appstreamcli validate --no-net --pedantic "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

for page in datemark datemark-cli; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
done

manual=$(zcat "$usr/share/man/man1/datemark-cli.1.gz" | sed 's/\\-/-/g')
completion=$usr/share/bash-completion/completions/datemark-cli
# What the completion offers after "datemark-cli SUB -".
offered() {
    bash -c 'source "$1"; COMP_WORDS=(datemark-cli "$2" -); COMP_CWORD=2; _datemark_cli; echo "${COMPREPLY[*]}"' \
        _ "$completion" "$1"
}
for sub in set shift copy show runs undo; do
    options=$("$usr/bin/datemark-cli" "$sub" --help | grep -o -- '--[a-z-]*' | sort -u)
    [ -n "$options" ] || fail "datemark-cli $sub --help lists no options"
    for option in $options; do
        grep -qF -- "$option" <<<"$manual" || fail "datemark-cli.1 does not mention $option"
        [[ " $(offered "$sub") " == *" $option "* ]] || fail "the completion of $sub does not offer $option"
    done
done
[[ $(bash -c 'source "$1"; COMP_WORDS=(datemark-cli s); COMP_CWORD=1; _datemark_cli; echo "${COMPREPLY[*]}"' \
    _ "$completion") == "set shift show" ]] || fail "the completion does not offer the commands"
exit $failed
