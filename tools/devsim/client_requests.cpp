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

std::optional<ProbeFilter> readProbeFilter(std::string_view payload)
{
    ProbeFilter out;
    if (payload.empty())
        return out;
    Json::Value filter;
    if (!vljson::parse(payload, filter))
        return std::nullopt;
    vljson::reader r(filter, vljson::policy::exact);
    int oemType = -1;
    if (!r.read("mac", out.mac) || !r.read("p2p_id", out.p2pId) || !r.read("oem_type", oemType, 0, 255))
        return std::nullopt;
    if (r.found())
        out.oemType = oemType;
    return out;
}

} // namespace devsim
