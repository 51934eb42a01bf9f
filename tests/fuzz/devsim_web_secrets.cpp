// What a client sends a simulated device's web secrets: the types of a
// transfer-key request and the "base_secondary_authentication" and
// "base_enc_password" objects of any request, read without harm whatever
// they hold. Each run first hands out a salt and a key, so that inputs can
// name recent sequence numbers.
//   the input: a JSON text whose "data" is read as a request's would be
#include "common/json.h"
#include "devsim_fixture.h"
#include "fuzz.h"
#include "generate.h"
#include "store.h"
#include "web_secrets.h"

#include <cstdio>
#include <cstdlib>

using namespace devsim;

namespace
{

struct Fixture {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    EventLog log { quiet ? quiet : stderr };
    DeviceStore store;
    WebSecrets secrets { store, log };
    Fixture()
    {
        GenerateOptions options;
        options.count = 2;
        vlfuzz::addGeneratedDevices(store, options);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture f;
    WebSecrets& secrets = f.secrets;
    Json::Value types(Json::arrayValue);
    types.append("base_salt");
    types.append("base_x_public");
    Json::Value lists;
    std::string error;
    if (!secrets.issue(0, types, &lists, &error))
        std::abort();

    Json::Value request;
    if (!vljson::parse(std::string(reinterpret_cast<const char*>(data), size), request))
        return 0;
    const Json::Value& body = vljson::member(request, "data");
    Json::Value asked;
    if (secrets.issue(1, vljson::member(body, "type"), &asked, &error)
        && asked.size() != vljson::member(body, "type").size())
        std::abort();
    if (body.isObject()) {
        const std::string proof
            = secrets.checkSecondaryAuth(0, "admin", body["base_secondary_authentication"]);
        if (proof == "ok")
            std::abort(); // no input can know the salt's password proof
        std::string password;
        secrets.openPassword(0, "admin", body["base_enc_password"], &password);
    }
    return 0;
}
