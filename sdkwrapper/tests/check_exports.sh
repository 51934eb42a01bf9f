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
# The catalogue of sessions, parameters, P2P, recorded files, import and
# export: every name of it is exported.
session_catalogue="vl_sdk_wrapper_init vl_sdk_wrapper_init_v1 vl_sdk_wrapper_uninit vl_init_log
vl_init_log_ex vl_enable_console_log vl_get_sdk_version vl_create_device vl_destroy_device
vl_device_login vl_device_login_ex vl_device_logout vl_get_login_rsp vl_get_device_type
vl_get_channel_number vl_get_analogy_channel_number vl_has_authority vl_has_ability
vl_reset_connection vl_send_simple_command vl_set_even_check_data vl_cms_register_callback
vl_remote_test vl_search_device vl_start_search_device vl_stop_search_device vl_modify_device
vl_query_param vl_set_param vl_start_async_query_json vl_start_async_set_json vl_stop_async_json
vl_ptz_control vl_new_ptz_control vl_capture_picture_from_device vl_check_p2p_status
vl_init_p2p_resource_manual vl_register_p2p_process_callback
vl_destroy_p2p_resource_enter_background vl_enable_tutk_many_connection vl_p2p_register_id
vl_network_status_changed vl_set_operator_plmn vl_get_file_time vl_get_file_time_v1
vl_get_file_key_frame_count vl_play_dynamic_config vl_remote_import vl_remote_export
vl_start_multi_search vl_start_multi_activate vl_start_multi_update vl_stop_multi_search
vl_stop_multi_activate vl_stop_multi_update"
defined=$(nm -D --defined-only "$lib" | awk '{print $NF}')
missing=""
for name in $session_catalogue; do
    grep -qx "$name" <<<"$defined" || missing="$missing $name"
done
if [ -n "$missing" ]; then
    echo "not exported:$missing"
    exit 1
fi
[ "$(wc -w <<<"$session_catalogue")" -eq 55 ] || { echo "the session catalogue lists 55 names"; exit 1; }

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
