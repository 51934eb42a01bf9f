#!/usr/bin/env bash
# Fails when the shared library exports anything but vl_* functions, or
# exports other names than the list below (a missing or an extra one), and,
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

# Exactly these names, no more and no fewer (one per line, any order).
expected_exports='
vl_sdk_wrapper_init
vl_sdk_wrapper_init_v1
vl_sdk_wrapper_uninit
vl_init_log
vl_init_log_ex
vl_create_device
vl_destroy_device
vl_device_login_ex
vl_device_logout
vl_get_device_type
vl_get_login_rsp
vl_has_ability
vl_has_authority
vl_cms_register_callback
vl_remote_test
vl_search_device
vl_start_search_device
vl_stop_search_device
vl_modify_device
vl_capture_picture_from_device
vl_ptz_control
vl_new_ptz_control
vl_start_multi_search
vl_start_multi_activate
vl_start_multi_update
vl_stop_multi_search
vl_stop_multi_activate
vl_stop_multi_update
vl_get_decoded_frame
vl_start_preview
vl_start_remote_playback
vl_search_record_by_month
vl_search_record_by_day
vl_start_download_by_file
vl_start_download_by_time
vl_start_download_by_file_v1
vl_start_download_by_time_v1
vl_start_talk_to_device
vl_start_talk_to_channel
vl_start_talk_to_device_v1
vl_start_talk_to_channel_v1
vl_start_playback_thumbnails
vl_start_playback_thumbnails_index
vl_start_upgrade
vl_start_human_face_alarm_report
vl_start_human_face_param
vl_start_local_playback
vl_start_sync_playback
vl_start_local_playback_thumbnails
vl_start_convert_file
vl_start_p2p_tunnel
vl_start_http_client
vl_stop_download
vl_stop_human_face_alarm_report
vl_stop_human_face_param
vl_stop_playback_thumbnails
vl_stop_preview
vl_stop_search_record
vl_stop_talk
vl_stop_upgrade
vl_stop_playback
vl_stop_convert_file
vl_stop_http_client
vl_stop_local_playback_thumbnails
vl_stop_p2p_tunnel
vl_switch_stream_type
vl_seek_by_time
vl_seek_by_time_v1
vl_set_play_mode
vl_seek_by_key_frame_index
vl_input_local_playback_time
vl_send_human_face_param
vl_sync_playback_add_session
vl_sync_playback_del_session
vl_delete_playback_thumbnails
vl_request_more_frame
vl_talk_send_record_data
vl_start_record
vl_capture_picture
vl_set_video_proportion
vl_fisheye_mouse_control
vl_fisheye_ptz_control
vl_manual_switch_record
vl_open_sound
vl_close_sound
vl_set_volume
vl_get_volume
vl_set_mute_on
vl_set_mute_off
vl_stop_record
vl_stop_record_ex
vl_capture_picture_to_buf
vl_get_current_time
vl_get_current_time_millisecond
vl_set_fishsye_mode
vl_window_in_zoom_status
vl_set_color
vl_draw_line
vl_draw_rect
vl_draw_solid_rect
vl_draw_hollow_circle
vl_draw_text
vl_upload_picture_from_memory
vl_delete_picture
vl_draw_picture
vl_get_frame_width_and_height
vl_adjust_render_frame_rect
vl_get_stream_info
vl_get_net_stream_info
vl_play_lost
vl_play_reset
vl_get_play_handle
vl_enable_pos_frame
vl_pause_download
vl_resume_download
vl_enable_console_log
vl_get_sdk_version
vl_device_login
vl_get_channel_number
vl_get_analogy_channel_number
vl_reset_connection
vl_send_simple_command
vl_set_even_check_data
vl_query_param
vl_set_param
vl_start_async_query_json
vl_start_async_set_json
vl_stop_async_json
vl_check_p2p_status
vl_init_p2p_resource_manual
vl_register_p2p_process_callback
vl_destroy_p2p_resource_enter_background
vl_enable_tutk_many_connection
vl_p2p_register_id
vl_network_status_changed
vl_set_operator_plmn
vl_get_file_time
vl_get_file_time_v1
vl_get_file_key_frame_count
vl_play_dynamic_config
vl_remote_import
vl_remote_export
'
expected_count=142
listed=$(echo "$expected_exports" | grep -c '^vl_')
if [ "$listed" -ne "$expected_count" ] || [ -n "$(echo "$expected_exports" | grep '^vl_' | sort | uniq -d)" ]; then
    echo "the list of expected exports holds $listed names (some twice?), not $expected_count"
    exit 1
fi
missing=$(comm -23 <(echo "$expected_exports" | grep '^vl_' | sort) \
    <(nm -D --defined-only "$lib" | awk '{print $NF}' | grep '^vl_' | sort -u))
extra=$(comm -13 <(echo "$expected_exports" | grep '^vl_' | sort) \
    <(nm -D --defined-only "$lib" | awk '{print $NF}' | grep '^vl_' | sort -u))
if [ -n "$missing$extra" ]; then
    [ -z "$missing" ] || { echo "expected, not exported:"; echo "$missing"; }
    [ -z "$extra" ] || { echo "exported, not expected:"; echo "$extra"; }
    exit 1
fi
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
