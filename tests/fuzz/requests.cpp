// The request JSON callers hand the exports: the start-up and log set-up,
// the login request, and the three multicast start requests. Each is read
// as the export reads it; nothing is started and nothing is sent.
//   first byte % 7 selects: 0 start-up, 1 log set-up, 2 login, 3 multicast
//   search, 4 activation, 5 update, 6 LAN search; the rest is the request
//   text
#include "core/login_request.h"
#include "core/search.h"
#include "core/startup.h"
#include "fuzz.h"
#include "multicast/operations.h"

using namespace vlsdk;

namespace
{

void VL_CALL check(const char* json, void*)
{
    vlfuzz::check_output_json(json);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const int kind = in.byte() % 7;
    const std::string text = in.rest();
    if (kind >= 3 && kind <= 5) {
        // The export's own entry points, up to the engine with its settings
        // (the worker thread is not started).
        std::unique_ptr<multicast_session> engine;
        if (kind == 3)
            engine = make_search_session(text.c_str(), check, nullptr);
        else if (kind == 4)
            engine = make_activation_session(text.c_str(), check, nullptr);
        else
            engine = make_update_session(text.c_str(), check, nullptr);
        // The manufacturer list goes out in the search request as JSON.
        if (engine && kind == 3)
            vlfuzz::check_output_json(engine->manufacturer_list().c_str());
        return 0;
    }
    Json::Value root;
    if (!vljson::parse(text.c_str(), root))
        return 0;
    if (kind == 0) {
        bool ok = false;
        const startup_options options = read_startup_options(root, &ok);
        if (!ok)
            return 0;
        VLPLAY_PLAY_INFO play {};
        fill_play_info(options, play);
        VLNET_P2P_SERVER_INFO p2p {};
        std::vector<std::string> notes;
        fill_p2p_record(options, p2p, notes);
    } else if (kind == 1) {
        bool ok = false;
        read_log_options(root, &ok);
    } else if (kind == 6) {
        search_request request;
        read_search_request(root, request);
    } else {
        login_request request;
        if (read_login_request(root, request)) {
            VLNET_CONNECTION_START_V1 start;
            fill_start_record(request, request.port, text.c_str(), start);
        }
        vlfuzz::check_output_json(login_log_text(root).c_str());
    }
    return 0;
}
