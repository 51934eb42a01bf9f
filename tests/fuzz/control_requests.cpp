// The request JSON callers hand the device-control exports, read as the
// exports read it; nothing is sent.
//   first byte % 4 selects: 0 network change, 1 PTZ, 2 new-style PTZ,
//   3 snapshot (of a device that is not logged in); the rest is the request
#include "core/connection.h"
#include "core/device_modify.h"
#include "core/ptz.h"
#include "fuzz.h"

using namespace vlsdk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const connection logged_out(nullptr);
    vlfuzz::Input in(data, size);
    const int kind = in.byte() % 4;
    const std::string text = in.rest();
    if (kind == 3) {
        capture_from_device(nullptr, nullptr, text.c_str(), logged_out);
        return 0;
    }
    Json::Value root;
    if (!vljson::parse(text.c_str(), root))
        return 0;
    if (kind == 0) {
        VLNET_NEW_DEV_INFO record;
        read_new_dev_info(root, record);
    } else {
        ptz_request request;
        if (kind == 1)
            read_ptz_request(root, request);
        else
            read_new_ptz_request(root, request);
    }
    return 0;
}
