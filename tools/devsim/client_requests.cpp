#include "client_requests.h"

#include "common/json.h"

namespace devsim
{

std::optional<LoginRequest> readLoginRequest(std::string_view payload)
{
    Json::Value request;
    if (!vljson::parse_object(payload, request))
        return std::nullopt;
    LoginRequest out;
    vljson::reader r(request, vljson::policy::exact);
    r.read("user", out.user);
    r.read("digest", out.digest);
    r.read("kind", out.kind);
    r.read("flags", out.flags);
    if (!r.ok())
        return std::nullopt;
    return out;
}

std::optional<std::string> readProbeFilter(std::string_view payload)
{
    if (payload.empty())
        return std::string();
    Json::Value filter;
    if (!vljson::parse(payload, filter))
        return std::nullopt;
    vljson::reader r(filter, vljson::policy::exact);
    std::string mac;
    if (!r.read("mac", mac))
        return std::nullopt;
    return mac;
}

} // namespace devsim
