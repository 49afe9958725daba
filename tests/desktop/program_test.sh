#!/usr/bin/env bash
# The installed program as a person meets it on a desktop: started with files (as "Open with"
# does), the rows selected and updated with the keyboard, the results closed, the program left.
# Then, as root, a run on a disk that stops answering, and the window closed through the window
# manager in the middle of it. Run by run-on-desktop.sh; $1 is the built datemark.
set -euo pipefail
program=$(realpath "$1")
dir=$(mktemp -d /tmp/datemark-program.XXXXXX)
cleanup() {
    if [ -n "${disk:-}" ]; then
        fsfreeze -u "$disk" 2>/dev/null || true
        umount "$disk" 2>/dev/null || true
    fi
    # Only a program that was started: "kill 0" would end the whole process group, ctest too.
    if [ -n "${pid:-}" ]; then
        kill "$pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

# A copy of its own, so that the settings file beside it is the test's.
cp "$program" "$dir/datemark"
mkdir "$dir/files" "$dir/files/folder"
touch -d 2001-02-03T04:05:06 "$dir/files/a.txt" "$dir/files/b c.txt" "$dir/files/folder"
cd "$dir/files"
LANG=ja_JP.UTF-8 "$dir/datemark" a.txt "file://$dir/files/b%20c.txt" >"$dir/log" 2>&1 &
pid=$!

window() { # waits for a window with exactly this title and prints its id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n 1) && [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

main=$(window Datemark) || { cat "$dir/log"; fail "no main window"; }
xdotool windowactivate --sync "$main"
xdotool key alt+a alt+e
result=$(window 結果) || fail "no result after the update"
xdotool windowactivate --sync "$result"
xdotool key Escape
sleep 0.5
xdotool windowactivate --sync "$main"
xdotool key alt+x
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "still running after 終了"
wait "$pid" || fail "exit status $?"

now=$(date +%s)
for file in a.txt "b c.txt"; do
    age=$((now - $(stat -c %Y "$dir/files/$file")))
    [ "$age" -ge 0 ] && [ "$age" -lt 120 ] || fail "$file was not updated (age $age s)"
done
[ "$(stat -c %Y "$dir/files/folder")" = "$(date -d 2001-02-03T04:05:06 +%s)" ] || fail "a folder not listed was changed"
grep -q '^Version=' "$dir/Datemark.ini" || fail "no settings written beside the program"
if [ "$(id -u)" != 0 ] || ! command -v fsfreeze >/dev/null; then
    echo "passed (the frozen disk needs root and fsfreeze)"
    exit 0
fi
mkdir "$dir/second" "$dir/disk"
cp "$program" "$dir/second/datemark"
truncate -s 32M "$dir/disk.img"
mkfs.ext4 -q -F "$dir/disk.img" && mount -o loop "$dir/disk.img" "$dir/disk" || fail "no loop-mounted ext4"
disk=$dir/disk
mkdir "$disk/folder"
touch -d 2001-02-03T04:05:06 "$disk/folder/a" "$disk/folder/b" "$disk/folder"
LANG=ja_JP.UTF-8 "$dir/second/datemark" "$disk/folder" >"$dir/log" 2>&1 &
pid=$!
main=$(window Datemark) || { cat "$dir/log"; fail "no main window"; }
xdotool windowactivate --sync "$main"
xdotool key alt+a
fsfreeze -f "$disk"
xdotool key alt+e
window 更新中 >/dev/null || fail "no progress window while the disk does not answer"
xdotool windowactivate --sync "$main"
xdotool key alt+F4
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "ended while an item was still being changed"
[ ! -e "$dir/second/Datemark.ini" ] || fail "settings saved before the run had stopped"
fsfreeze -u "$disk"
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "still running after the close and the disk's answer"
wait "$pid" || fail "exit status $?"
grep -q '^Version=' "$dir/second/Datemark.ini" || fail "no settings written once the run had stopped"
old=$(date -d 2001-02-03T04:05:06 +%s)
[ "$(stat -c %Y "$disk/folder")" != "$old" ] || fail "the item in hand was not finished"
[ "$(stat -c %Y "$disk/folder/a")" = "$old" ] && [ "$(stat -c %Y "$disk/folder/b")" = "$old" ] ||
    fail "the run went on after the close"
echo "passed"
