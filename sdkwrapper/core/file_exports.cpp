// The exports of recorded files on the host's disk: their time range and
// key frames through a short-lived player instance, and the player's
// settings.
#include "common/json.h"
#include "core/copy_out.h"
#include "core/export_guard.h"
#include "core/session_requests.h"
#include "core/time_text.h"
#include "vl_sdk_wrapper.h"
#include "vlplay.h"

#include <cstring>

namespace
{

// The player's open result as the file-time exports give it: only the
// results the caller can act on keep their own code; an undecodable file
// and a bad checksum are an unknown error here.
int file_time_open_code(int result)
{
    switch (result) {
    case VLPLAY_OPEN_MISSING:
        return vl_file_not_found;
    case VLPLAY_OPEN_UNREADABLE:
        return vl_file_access_error;
    case VLPLAY_OPEN_NEED_PASSWORD:
        return vl_need_input_password;
    case VLPLAY_OPEN_STANDARD_MP4:
        return vl_hk_mp4_file;
    case VLPLAY_OPEN_UNKNOWN_MP4:
        return vl_unknown_mp4_file;
    default:
        return vl_unknown_error;
    }
}

// A player instance of kind 0, released on every path.
class temporary_player
{
public:
    temporary_player()
        : m_handle(VLPlayCreatePlayInstance(0))
    {
    }
    ~temporary_player()
    {
        if (m_handle != 0)
            VLPlayDestroyPlayInstance(m_handle);
    }
    temporary_player(const temporary_player&) = delete;
    temporary_player& operator=(const temporary_player&) = delete;
    int handle() const { return m_handle; }

private:
    const int m_handle;
};

// Reads the open file's range, closes it, and writes the answer text.
std::string file_time_text(int player)
{
    uint64_t begin = 0;
    uint64_t end = 0;
    VLPlayGetPlayFileTimeRange(player, &begin, &end);
    VLPlayClosePlayFile(player);
    Json::Value answer(Json::objectValue);
    answer["begin time"] = vlsdk::format_time_rounded(begin);
    answer["end time"] = vlsdk::format_time_rounded(end);
    answer["begin time millisecond"] = Json::UInt64(vlsdk::round_us_to_ms(begin));
    answer["end time millisecond"] = Json::UInt64(vlsdk::round_us_to_ms(end));
    return vljson::write_styled(answer);
}

} // namespace

VL_API int vl_get_file_time(const char* file, char* out, int size)
{
    if (vlsdk::check_out_buffer(out, size) != vl_success)
        return vl_invalid_argument;
    return vlsdk::export_guard("get_file_time", static_cast<int>(vl_fail), [&] {
        temporary_player player;
        if (player.handle() == 0)
            return static_cast<int>(vl_fail);
        const int opened = VLPlayOpenPlayFile(player.handle(), file);
        if (opened != VLPLAY_OPEN_OK)
            return file_time_open_code(opened);
        return vlsdk::copy_out(file_time_text(player.handle()), out, size);
    });
}

VL_API int vl_get_file_time_v1(vl_file_time_param* param)
{
    if (!param || !param->json)
        return vl_fail;
    return vlsdk::export_guard("get_file_time_v1", static_cast<int>(vl_fail), [&] {
        vlsdk::file_time_request request;
        if (vlsdk::read_file_time_request(param->json, request) != vl_success)
            return static_cast<int>(vl_fail);
        VLPLAY_PLAY_FILE entry;
        if (vlsdk::fill_play_file(request, entry) != vl_success)
            return static_cast<int>(vl_invalid_argument);
        temporary_player player;
        if (player.handle() == 0)
            return static_cast<int>(vl_fail);
        VLPLAY_PLAY_FILE_LIST list;
        std::memset(&list, 0, sizeof list);
        list.entries = &entry;
        list.count = 1;
        const int opened = VLPlayNewOpenPlayFileListExV1(player.handle(), &list);
        if (opened != VLPLAY_OPEN_OK)
            return file_time_open_code(opened);
        const std::string text = file_time_text(player.handle());
        // This export's own buffer rule: a null buffer is too small, never
        // an invalid argument.
        if (!param->out)
            return static_cast<int>(vl_buffer_too_small);
        return vlsdk::copy_out(text, param->out, param->size);
    });
}

VL_API int vl_get_file_key_frame_count(const char* file)
{
    return vlsdk::export_guard("get_file_key_frame_count", 0, [&] {
        temporary_player player;
        if (player.handle() == 0 || VLPlayOpenPlayFile(player.handle(), file) != VLPLAY_OPEN_OK)
            return 0;
        const int count = VLPlayGetKeyFrameCount(player.handle());
        VLPlayClosePlayFile(player.handle());
        return count;
    });
}

VL_API int vl_play_dynamic_config(void* reserved, const char* json)
{
    (void)reserved;
    if (!json)
        return vl_success;
    return vlsdk::export_guard("play_dynamic_config", static_cast<int>(vl_parse_json_error), [&] {
        int32_t max_decode = 0;
        bool present = false;
        if (vlsdk::read_play_config(json, max_decode, present) != vl_success)
            return static_cast<int>(vl_parse_json_error);
        if (present)
            VLPlaySetMaxHardwareDecodeNumber(max_decode);
        return static_cast<int>(vl_success);
    });
}
