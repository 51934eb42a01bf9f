#!/usr/bin/env bash
# Fails when the shared library exports anything but vl_* functions, and,
# given the public header, when the header and the exports disagree: every
# VL_API function of the header is exported, every export is declared, and
# every type the header declares (callbacks, handles, records) is used by a
# declaration beside it, so the header promises nothing it cannot deliver.
set -euo pipefail
lib="$1"
header="${2:-}"
bad=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -v '^vl_' || true)
if [ -n "$bad" ]; then
    echo "exported symbols that are not vl_*:"
    echo "$bad" | head -n 40
    exit 1
fi
count=$(nm -D --defined-only "$lib" | awk '{print $NF}' | grep -c '^vl_' || true)
echo "exports: $count"
[ -n "$header" ] || exit 0
nm -D --defined-only "$lib" | awk '{print $NF}' | grep '^vl_' | sort -u >"${TMPDIR:-/tmp}/vl_exports.$$"
trap 'rm -f "${TMPDIR:-/tmp}/vl_exports.$$"' EXIT
python3 - "$header" "${TMPDIR:-/tmp}/vl_exports.$$" <<'PY'
import re, sys
text = open(sys.argv[1]).read()
exports = set(open(sys.argv[2]).read().split())
code = re.sub(r'/\*.*?\*/', ' ', text, flags=re.S)
code = re.sub(r'//[^\n]*', ' ', code)
declared = set(re.findall(r'VL_API\s+[^;(]*?\b(vl_\w+)\s*\(', code))
problems = []
problems += ['declared, not exported: ' + n for n in sorted(declared - exports)]
problems += ['exported, not declared: ' + n for n in sorted(exports - declared)]
types = re.findall(r'typedef\s+struct\s+(\w+)\s+\1\s*;', code)
types += re.findall(r'typedef[^;]*\(\s*VL_CALL\s*\*\s*(\w+)\s*\)', code)
# Records (the result-code enum is the value list of every int result).
types += [n for n in re.findall(r'}\s*(\w+)\s*;', code)
          if not re.search(r'typedef\s+enum\s+%s\b' % re.escape(n), code)]
for t in types:
    uses = len(re.findall(r'\b%s\b' % re.escape(t), code))
    # Its declaration names it once or twice; a use needs one more.
    own = 2 if re.search(r'typedef\s+(struct|enum)\s+%s\b' % re.escape(t), code) else 1
    if uses <= own:
        problems.append('declared, used by no export: ' + t)
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
PY
echo "header and exports agree"
