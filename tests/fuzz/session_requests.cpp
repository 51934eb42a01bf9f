// The request JSON of the session, parameter, P2P and recorded-file
// exports, read as the exports read it; nothing is sent and no file is
// opened.
//   first byte % 5 selects: 0 P2P status, 1 P2P set-up, 2 parameter query
//   or set, 3 file time (with the player's open record), 4 player
//   settings; the rest is the request text
#include "core/session_requests.h"

#include "fuzz.h"

#include <cstring>

using namespace vlsdk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const int kind = in.byte() % 5;
    const std::string text = in.rest();
    if (kind == 0) {
        p2p_check_request request;
        if (read_p2p_check_request(text.c_str(), request) == 0) {
            VLNET_P2P_CHECK record;
            fill_p2p_check(request, record);
            if (strnlen(record.p2p_id, sizeof record.p2p_id) == sizeof record.p2p_id)
                std::abort(); // the identity always keeps its NUL
        }
    } else if (kind == 1) {
        std::string type;
        read_p2p_type_request(text.c_str(), type);
    } else if (kind == 2) {
        param_request request;
        read_param_request(text.c_str(), request);
    } else if (kind == 3) {
        file_time_request request;
        if (read_file_time_request(text.c_str(), request) == 0) {
            VLPLAY_PLAY_FILE entry;
            if (fill_play_file(request, entry) == 0
                && (strnlen(entry.file_name, sizeof entry.file_name) == sizeof entry.file_name
                    || strnlen(entry.password, sizeof entry.password) == sizeof entry.password))
                std::abort(); // both texts keep their NUL
        }
    } else {
        int32_t max_decode = 0;
        bool present = false;
        read_play_config(text.c_str(), max_decode, present);
    }
    return 0;
}
