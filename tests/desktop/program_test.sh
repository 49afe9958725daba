#!/usr/bin/env bash
# The installed program as a person meets it on a desktop: started with files (as "Open with"
# does), the rows selected and updated with the keyboard, the results closed, the program left.
# Run by run-on-desktop.sh; $1 is the built datemark.
set -euo pipefail
program=$1
dir=$(mktemp -d /tmp/datemark-program.XXXXXX)
trap 'kill "${pid:-0}" 2>/dev/null || true; rm -rf "$dir"' EXIT
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
echo "passed"
