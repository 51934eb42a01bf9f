#include "web_reset.h"

#include "common/json.h"
#include "device_reset.h"

#include <algorithm>

namespace devsim
{

WebReset::WebReset(DeviceStore& store, EventLog& log, int rebootMs)
    : m_store(store)
    , m_log(log)
    , m_rebootMs(rebootMs)
{
}

void WebReset::addTo(WebServer& web)
{
    WebPath range;
    range.handle = [this](WebCall& c) { return WebAnswer::success(this->range(c.device)); };
    web.addPath(kRangePath, std::move(range));
    WebPath set;
    set.handle = [this](WebCall& c) { return this->set(c); };
    web.addPath(kSetPath, std::move(set));
}

Json::Value WebReset::range(int id) const
{
    Json::Value data;
    m_store.read(id, [&](const Device& d) {
        data = Json::Value(Json::objectValue);
        const auto& items = d.reset.items;
        for (const char* item : kResetItems) {
            const std::string name = item;
            if (std::find(items.begin(), items.end(), name) == items.end()) {
                data[name] = Json::Value(Json::nullValue);
            } else if (name == "secondary_authentication") {
                data[name] = true;
            } else {
                Json::Value type(Json::objectValue);
                type["type"] = "boolean";
                data[name] = type;
            }
        }
        if (!d.reset.factoryTypes.empty()) {
            Json::Value types(Json::objectValue);
            types["type"] = "string";
            Json::Value list(Json::arrayValue);
            for (const auto& t : d.reset.factoryTypes)
                list.append(t);
            types["items"] = list;
            data["factory_type"] = types;
        }
    });
    return data;
}

bool WebReset::isFactoryResetBody(const Json::Value& body)
{
    return body.isObject() && !body.isMember("version");
}

void WebReset::asFactoryReset(ResetOrder& order, Json::Value& note)
{
    order.network = ResetOrder::Network::All;
    order.accounts = true;
    note["factory_reset"] = true;
}

WebAnswer WebReset::set(WebCall& call)
{
    ResetProfile profile;
    if (!m_store.read(call.device, [&](const Device& d) { profile = d.reset; }))
        return WebAnswer::failure("invalid_param", 400);
    const bool wantsAuth = std::find(profile.items.begin(), profile.items.end(), "secondary_authentication")
        != profile.items.end();
    if (wantsAuth && call.secrets.secondaryAuth != "ok")
        return WebAnswer::failure("secondary_auth_failed", 403);
    ResetOrder order;
    std::vector<std::string> ignored;
    std::string why;
    if (!resetOrderFromWeb(profile, vljson::member(call.json, "data"), &order, &ignored, &why)) {
        call.note["error"] = why;
        return WebAnswer::failure("invalid_param", 400);
    }
    if (isFactoryResetBody(call.json) && !order.empty())
        asFactoryReset(order, call.note);
    if (!ignored.empty()) {
        Json::Value list(Json::arrayValue);
        for (const auto& i : ignored)
            list.append(i);
        call.note["ignored"] = list;
    }
    carryOutReset(m_store, call.device, order, m_rebootMs, call.note);
    if (!order.empty())
        m_log.device(call.device, call.ip, "restores its defaults and reboots");
    return WebAnswer::success();
}

} // namespace devsim
