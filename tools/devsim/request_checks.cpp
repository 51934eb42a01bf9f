#include "request_checks.h"

namespace devsim
{

Access accessOf(const Device& d, const std::string& user)
{
    Access a;
    a.channels = int(d.channels.size());
    if (const User* u = d.findUser(user)) {
        a.user = true;
        a.rights = u->rights;
    }
    return a;
}

Access accessOf(const DeviceStore& store, int id, const std::string& user)
{
    Access a;
    store.read(id, [&](const Device& d) { a = accessOf(d, user); });
    return a;
}

std::int32_t noted(Json::Value& note, std::int32_t result, const std::string& error)
{
    note["result"] = result;
    if (!error.empty() && !note.isMember("error"))
        note["error"] = error;
    return result;
}

} // namespace devsim
