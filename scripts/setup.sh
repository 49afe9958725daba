#!/usr/bin/env bash
# Installs every Debian 12 package Datemark needs to build, run and test, and the Japanese
# locale the program speaks. Run as root (or as a user who may sudo).
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config
    clang-14 libclang-rt-14-dev clang-format-14 clang-tidy-14
    # the command line: its argument parser and the Exif reader
    libcli11-dev libexiv2-dev
    # the windows: Qt 6 Widgets, Japanese Gothic fonts, file types and icons by name
    qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic shared-mime-info adwaita-icon-theme
    # tests and benchmarks; a virtual display and screenshots for looking at the program
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool imagemagick dbus
    # a window manager and X tools for the tests that drive the windows on a real X server
    openbox x11-utils
    # opening folders with the desktop's default handler
    xdg-utils file
    # text, time zones and the system's error texts in Japanese
    locales libc-l10n tzdata
    # real file systems for the tests: NTFS through ntfs-3g, loop-mounted ext4 images
    ntfs-3g e2fsprogs mount
    # a real Samba server and client, and Samba's own record code, for the user.DOSATTRIB tests
    samba smbclient python3-samba
    # the Windows build: MinGW-w64 for 64-bit Windows (its POSIX-threads compiler), GoogleTest's
    # sources (the googletest package above) cross-built with it, and Wine to run the result
    g++-mingw-w64-x86-64 wine64
    # the installed files and the Debian package, as their validators and lintian see them; JSON
    # checked by Python's reader
    desktop-file-utils appstream man-db dpkg-dev lintian python3
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen
fi
