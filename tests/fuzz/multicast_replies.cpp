// The multicast reply path, as anyone on the LAN can drive it: a datagram
// taken apart into the reply the engine queues, its key chosen and its
// envelope opened; and what a sealed reply holds once opened, turned into
// records and reported as result JSON.
//   first byte even: the rest is one received datagram
//   first byte odd:  the rest is an opened envelope (a serialized DecReply),
//                    processed and reported by a search, an activation and
//                    an update
#include "fuzz.h"
#include "multicast/envelope.h"
#include "multicast/session.h"

using namespace vlsdk;

namespace
{

void VL_CALL check(const char* json, void*)
{
    vlfuzz::check_output_json(json);
}

struct Fixture {
    x25519_key_pair engine_keys;
    multicast_session session;
    Fixture()
    {
        engine_keys.make();
        session.set_search_callback(check, nullptr);
        Json::Value data;
        vljson::parse(R"({"device":[{"id":"AAAA","key":"","password":"p"}]})", data);
        session.parse_activation_request(0, 1000, data, nullptr, check);
        vljson::parse(
            R"({"device":[{"id":"AAAA","key":"","username":"admin","password":"p","info":{}}]})", data);
        session.parse_update_request(0, 1000, data, nullptr, check);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture f;
    vlfuzz::Input in(data, size);
    const bool opened = in.byte() & 1;
    const std::string rest = in.rest();
    if (!opened) {
        if (auto queued = queued_reply_of(rest)) {
            if (auto key = reply_public_key(queued->reply_key, queued->sender_key))
                f.session.process_reply(*key, queued->envelope, queued->sender_key);
        }
        return 0;
    }
    f.session.device_records().clear();
    f.session.activation_replies().clear();
    f.session.update_replies().clear();
    f.session.process_dec_reply(rest, std::string(33, '\xB0'));
    f.session.report_search_results();
    f.session.report_activation_results();
    f.session.report_update_results(false);
    f.session.report_update_results(true);
    return 0;
}
