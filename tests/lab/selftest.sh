#!/usr/bin/env bash
# Runs the lab's own test and checks that nothing of the lab is left behind,
# also when the command inside fails or the owner is killed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
lab="$here/lab"

left() { ip netns list | awk '{print $1}' | grep -E "^vl(pc|lan)-$1$" || true; }

# 1. Traffic crosses the lab both ways.
out=$("$lab" run -- bash -c 'echo "id=$VL_LAB_ID"; /usr/bin/python3 '"$here"'/selftest.py')
echo "$out"
id=$(echo "$out" | sed -n 's/^id=//p')
[ -z "$(left "$id")" ] || { echo "namespaces left after a passing run"; exit 1; }

# 2. A failing command: its status comes through and the lab is gone.
set +e
out=$("$lab" run -- bash -c 'echo "id=$VL_LAB_ID"; exit 7')
status=$?
set -e
id=$(echo "$out" | sed -n 's/^id=//p')
[ "$status" -eq 7 ] || { echo "status $status instead of 7"; exit 1; }
[ -z "$(left "$id")" ] || { echo "namespaces left after a failing run"; exit 1; }

# 3. The owner is killed outright (as a test time-out does): sweep removes it.
"$lab" run -- bash -c 'echo "id=$VL_LAB_ID" > '"$$"'.id; sleep 60' > /dev/null 2>&1 &
owner=$!
for _ in $(seq 50); do [ -s "$$.id" ] && break; sleep 0.1; done
id=$(sed -n 's/^id=//p' "$$.id"); rm -f "$$.id"
[ -n "$(left "$id")" ] || { echo "lab did not come up"; exit 1; }
kill -KILL "$owner"; wait "$owner" 2>/dev/null || true
"$lab" sweep
[ -z "$(left "$id")" ] || { echo "sweep left namespaces"; exit 1; }
echo "lab selftest: clean after pass, failure and kill"
