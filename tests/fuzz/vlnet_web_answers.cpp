// What a device's web interface answers the VLNet stand-in's web login: the
// Digest challenge (and the credentials built on it), the session cookie,
// the login range, the login's own answer, the information texts and the
// device record. The first byte picks the reader, the rest is what came.
#include "fuzz.h"
#include "web_answers.h"

using namespace vlnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const int which = in.byte() % 6;
    switch (which) {
    case 0:
        if (auto c = readDigestChallenge(in.rest()))
            digestAuthorization(*c, "admin", "pass\"word", "POST", "/API/Web/Login", "0a1b");
        break;
    case 1:
        cookieOf(in.rest());
        break;
    case 2:
        readLoginRange(in.rest());
        break;
    case 3: {
        const int status = in.u16() % 600;
        readWebLogin(status, in.rest());
        break;
    }
    case 4:
        if (auto text = readDataText(in.rest()))
            vlfuzz::check_output_json(text->c_str());
        break;
    default: {
        VLNET_DEVICE_INFO record;
        readDeviceRecord(in.rest(), &record);
        break;
    }
    }
    return 0;
}
