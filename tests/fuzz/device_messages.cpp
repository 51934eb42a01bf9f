// What a logged-in device reports to the wrapper through the network SDK:
// statuses with their device and channel texts, the device-information
// record, and device messages of any number and content. A connection is
// logged in over a stand-in SDK, then the input plays the SDK's callbacks.
//   repeated: one byte kind, a 16-bit number, a 16-bit length, the bytes
//   kind % 5: 0 a device message, 1 a status with texts (device info, then
//   channel info, split at the first NUL), 2 the device record then a login
//   success, 3 the login response read back, 4 a LAN search record (the
//   number's low byte is the searcher's OEM type) as the caller gets it
#include "core/connection.h"
#include "core/search.h"
#include "fake_vlnet.h"
#include "fuzz.h"

#include <algorithm>
#include <cstring>

using namespace vlsdk;

namespace
{

void VL_CALL on_status(const char* json, void*)
{
    vlfuzz::check_output_json(json);
}

void VL_CALL on_message(const char* name, const char* json, void*)
{
    // Message texts are JSON the wrapper wrote, except the two that pass
    // the device's own text on unchanged.
    if (std::strcmp(name, "VLSDKSwitchAlarmStatusEx") != 0 && std::strcmp(name, "MsgAlarmJsonInfo") != 0)
        vlfuzz::check_output_json(json);
}

void VL_CALL on_raw(int, const char*, int, void*)
{
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fake::Sdk sdk;
    fake::g_sdk = &sdk;
    {
        connection conn(nullptr, fake::kCalls);
        vl_login_param p;
        std::memset(&p, 0, sizeof p);
        p.json = R"({"ip or id":"10.0.0.2","user":"admin","password":"x","protocol":"media"})";
        p.status_callback = on_status;
        p.message_callback = on_message;
        p.raw_message_callback = on_raw;
        conn.login(p);
        vlfuzz::Input in(data, size);
        while (!in.empty()) {
            const int kind = in.byte() % 5;
            const int number = in.u16();
            const std::string bytes = in.piece();
            if (kind == 0) {
                sdk.message(std::int16_t(number), bytes.empty() ? nullptr : bytes.data(), int(bytes.size()));
            } else if (kind == 1) {
                const std::string device_info = bytes.substr(0, bytes.find('\0'));
                const std::string channel_info = device_info.size() < bytes.size()
                    ? bytes.substr(device_info.size() + 1)
                    : std::string();
                sdk.status(number % 300, device_info.c_str(), channel_info.c_str());
            } else if (kind == 2) {
                std::memset(&sdk.dev, 0, sizeof sdk.dev);
                std::memcpy(&sdk.dev, bytes.data(), std::min(bytes.size(), sizeof sdk.dev));
                sdk.status(VLNET_STATUS_LOGIN_SUCCESS);
            } else if (kind == 3) {
                vlfuzz::check_output_json(conn.get_login_rsp().c_str());
            } else {
                VLNET_SEARCH_DEV_RSP record;
                std::memset(&record, 0, sizeof record);
                std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
                const Json::Value found = search_result_json(record, std::uint8_t(number));
                vlfuzz::check_output_json(vljson::write_compact(found).c_str());
            }
        }
        conn.logout();
    }
    fake::g_sdk = nullptr;
    return 0;
}
