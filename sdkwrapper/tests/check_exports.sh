#!/usr/bin/env bash
# Fails when the shared library exports anything but vl_* functions.
set -euo pipefail
lib="$1"
bad=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -v '^vl_' || true)
if [ -n "$bad" ]; then
    echo "exported symbols that are not vl_*:"
    echo "$bad" | head -n 40
    exit 1
fi
count=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -c '^vl_' || true)
echo "exports: $count"
