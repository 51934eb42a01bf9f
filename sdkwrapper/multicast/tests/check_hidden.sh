#!/usr/bin/env bash
# Fails when a shared library exports a symbol of its own. Instances of
# standard-library templates are left out: they keep the default visibility
# that libstdc++ gives them, and the product's version script hides them.
set -euo pipefail
lib="$1"
bad=$(nm -D --defined-only "$lib" | awk '{print $NF}' | c++filt \
    | awk '/vlsdk::|multicast::|google::protobuf::/ || !/std::/' || true)
if [ -n "$bad" ]; then
    echo "exported symbols:"
    echo "$bad" | head -n 40
    exit 1
fi
echo "no own symbol exported"
