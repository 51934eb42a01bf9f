#include "device_reset.h"

#include "common/json.h"
#include "vlnet.h"
#include "wire.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace devsim
{

const char* const kResetItems[11] = {
    "channel",
    "record",
    "event",
    "ai",
    "network",
    "except_network_param",
    "device",
    "system",
    "alarm",
    "secondary_authentication",
    "storage",
};

bool isResetItem(const std::string& name)
{
    return std::any_of(
        std::begin(kResetItems), std::end(kResetItems), [&](const char* n) { return name == n; });
}

namespace
{

// The parameter messages whose records a category returns to the default.
struct CategoryMessages {
    const char* category;
    std::vector<int> messages;
};
const std::vector<CategoryMessages>& categoryMessages()
{
    static const std::vector<CategoryMessages> table = {
        { "channel",
            { VLNET_PARAM_MAIN_STREAM, VLNET_PARAM_SUB_STREAM, VLNET_PARAM_MOBILE_STREAM, VLNET_PARAM_OSD } },
        { "system", { VLNET_PARAM_TIME } },
    };
    return table;
}

bool has(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

const char* networkName(ResetOrder::Network n)
{
    switch (n) {
    case ResetOrder::Network::All:
        return "all";
    case ResetOrder::Network::ExceptParams:
        return "except_params";
    case ResetOrder::Network::Keep:
        break;
    }
    return "keep";
}

// Removes every record of `message` (all channels); the numbers removed go
// to `cleared`.
void clearMessage(Device& d, int message, Json::Value& cleared)
{
    bool any = false;
    for (auto it = d.params.begin(); it != d.params.end();) {
        if (it->first.first == message) {
            it = d.params.erase(it);
            any = true;
        } else {
            ++it;
        }
    }
    if (any)
        cleared.append(message);
}

} // namespace

std::string factoryIp4(int n)
{
    const int block = n / 250;
    return "192.168." + std::to_string(254 - block % 250) + "." + std::to_string(1 + n % 250);
}

ResetProfile defaultResetProfile(Kind kind, int n, const Network& generated)
{
    ResetProfile p;
    for (const char* item : kResetItems) {
        const std::string name = item;
        if (name == (kind == Kind::Ipc ? "device" : "storage"))
            continue;
        p.items.push_back(name);
    }
    p.factoryTypes = { "restore_defaults", "restore_to_inactive", "factory_defaults" };
    p.factoryNet = generated;
    p.factoryNet.ip = factoryIp4(n);
    p.factoryNet.mask = "255.255.0.0";
    p.factoryNet.gateway = "192.168.0.1";
    p.factoryNet.dns1 = "192.168.0.1";
    p.factoryNet.dns2.clear();
    p.factoryNet.dhcp = false;
    p.factoryNet.pppoe = false;
    return p;
}

Json::Value resetProfileToJson(const ResetProfile& p)
{
    Json::Value o(Json::objectValue);
    Json::Value items(Json::arrayValue);
    for (const auto& i : p.items)
        items.append(i);
    o["items"] = items;
    Json::Value types(Json::arrayValue);
    for (const auto& t : p.factoryTypes)
        types.append(t);
    o["factory_types"] = types;
    Json::Value net(Json::objectValue);
    net["ip"] = p.factoryNet.ip;
    net["mask"] = p.factoryNet.mask;
    net["gateway"] = p.factoryNet.gateway;
    net["dns1"] = p.factoryNet.dns1;
    net["dns2"] = p.factoryNet.dns2;
    net["dhcp"] = p.factoryNet.dhcp;
    o["factory_network"] = net;
    return o;
}

bool applyResetProfileJson(ResetProfile& profile, const Json::Value& v, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = "reset." + why;
        return false;
    };
    if (!v.isObject())
        return fail(" must be an object");
    ResetProfile copy = profile;
    auto texts = [&](const char* key, std::vector<std::string>& out, bool items) {
        if (!v.isMember(key))
            return true;
        const Json::Value& list = v[key];
        if (!list.isArray())
            return false;
        std::vector<std::string> read;
        for (const auto& e : list) {
            if (!e.isString() || e.asString().empty() || (items && !isResetItem(e.asString())))
                return false;
            read.push_back(e.asString());
        }
        out = std::move(read);
        return true;
    };
    if (!texts("items", copy.items, true))
        return fail("items: an array of reset item names");
    if (!texts("factory_types", copy.factoryTypes, false))
        return fail("factory_types: an array of non-empty texts");
    if (v.isMember("factory_network")) {
        const Json::Value& n = v["factory_network"];
        if (!n.isObject())
            return fail("factory_network: an object");
        vljson::reader r(n, vljson::policy::exact, "reset.factory_network.");
        r.read("ip", copy.factoryNet.ip);
        r.read("mask", copy.factoryNet.mask);
        r.read("gateway", copy.factoryNet.gateway);
        r.read("dns1", copy.factoryNet.dns1);
        r.read("dns2", copy.factoryNet.dns2);
        r.read("dhcp", copy.factoryNet.dhcp);
        if (!r.ok()) {
            if (error)
                *error = r.error();
            return false;
        }
    }
    profile = std::move(copy);
    return true;
}

bool resetOrderFromRecord(const std::uint8_t* record, std::size_t size, ResetOrder* order, std::string* why)
{
    auto fail = [&](const char* text) {
        if (why)
            *why = text;
        return false;
    };
    if (size != VLNET_PARAM_RESET_SIZE || vlwire::getU32(record) != VLNET_PARAM_RESET_SIZE)
        return fail("not a 24-byte reset record");
    VLNET_RESET_PARAM r;
    std::memcpy(&r, record, sizeof r);
    ResetOrder o;
    const std::pair<std::uint8_t, const char*> flags[] = {
        { r.display, "channel" },
        { r.record, "record" },
        { r.alarm, "alarm" },
        { r.device, "device" },
        { r.system, "system" },
        { r.advanced, "event" },
        { r.intelligent, "ai" },
        { r.pairing, "pairing" },
    };
    for (const auto& [flag, category] : flags) {
        if (flag)
            o.categories.insert(category);
    }
    switch (r.network) {
    case VLNET_RESET_NETWORK_KEEP:
        o.network = ResetOrder::Network::Keep;
        break;
    case VLNET_RESET_NETWORK_ALL:
        o.network = ResetOrder::Network::All;
        break;
    case VLNET_RESET_NETWORK_EXCEPT_PARAMS:
        o.network = ResetOrder::Network::ExceptParams;
        break;
    default:
        return fail("a network mode other than 0, 1 and 2");
    }
    *order = std::move(o);
    return true;
}

bool resetOrderFromWeb(const ResetProfile& profile, const Json::Value& data, ResetOrder* order,
    std::vector<std::string>* ignored, std::string* why)
{
    auto fail = [&](const std::string& text) {
        if (why)
            *why = text;
        return false;
    };
    if (!data.isObject())
        return fail("no \"data\" object");
    ResetOrder o;
    if (data.isMember("factory_type")) {
        const Json::Value& t = data["factory_type"];
        if (!t.isString() || !has(profile.factoryTypes, t.asString()))
            return fail("a factory type the device does not have");
        const std::string type = t.asString();
        o.factoryType = type;
        // A factory reset takes every category; the type says what else.
        o.categories = { "channel", "record", "event", "ai", "device", "system", "alarm", "pairing" };
        if (type.find("inactive") != std::string::npos) {
            o.network = ResetOrder::Network::ExceptParams;
            o.accounts = true;
        } else if (type.find("factory") != std::string::npos) {
            o.network = ResetOrder::Network::All;
            o.accounts = true;
        } else if (type.find("restore") != std::string::npos && type.find("defaults") != std::string::npos) {
            o.network = ResetOrder::Network::ExceptParams;
        } else {
            return fail("a factory type the device cannot carry out");
        }
        *order = std::move(o);
        return true;
    }
    auto flag = [&](const char* item, bool* out) {
        if (!data.isMember(item))
            return true;
        if (!data[item].isBool())
            return false;
        if (!has(profile.items, item)) {
            if (ignored)
                ignored->push_back(item);
            return true;
        }
        *out = data[item].asBool();
        return true;
    };
    for (const char* category :
        { "channel", "record", "event", "ai", "system", "alarm", "device", "storage" }) {
        bool on = false;
        if (!flag(category, &on))
            return fail(std::string("\"") + category + "\" is no boolean");
        if (on)
            o.categories.insert(std::string(category) == "storage" ? "device" : category);
    }
    bool network = false;
    bool exceptParams = false;
    if (!flag("network", &network) || !flag("except_network_param", &exceptParams))
        return fail("\"network\" or \"except_network_param\" is no boolean");
    if (network)
        o.network = exceptParams ? ResetOrder::Network::ExceptParams : ResetOrder::Network::All;
    *order = std::move(o);
    return true;
}

void applyReset(Device& d, const ResetOrder& order, Json::Value& note)
{
    Json::Value reset(Json::objectValue);
    Json::Value categories(Json::arrayValue);
    for (const auto& c : order.categories)
        categories.append(c);
    reset["categories"] = categories;
    reset["network"] = networkName(order.network);
    reset["accounts"] = order.accounts;
    if (!order.factoryType.empty())
        reset["factory_type"] = order.factoryType;
    Json::Value cleared(Json::arrayValue);
    for (const auto& [category, messages] : categoryMessages()) {
        if (!order.categories.count(category))
            continue;
        for (int m : messages)
            clearMessage(d, m, cleared);
    }
    if (order.categories.count("system")) {
        // The settings go back; the clock runs on where it was set.
        TimeSettings factory;
        factory.offsetMs = d.time.offsetMs;
        d.time = factory;
    }
    if (order.categories.count("channel")) {
        for (std::size_t i = 0; i < d.channels.size(); ++i)
            d.channels[i].name = "CH" + std::to_string(i + 1);
    }
    if (order.accounts) {
        clearMessage(d, VLNET_PARAM_USERS, cleared);
        User admin;
        admin.name = "admin";
        admin.admin = true;
        d.users = { admin };
        d.activated = false;
    }
    reset["cleared"] = cleared;
    if (order.network == ResetOrder::Network::All)
        reset["factory_ip"] = d.reset.factoryNet.ip;
    note["reset"] = reset;
}

void finishReset(DeviceStore& store, int id, bool move, int rebootMs)
{
    store.after(kResetDelayMs, [&store, id, move, rebootMs] {
        if (move) {
            Network net;
            store.read(id, [&](const Device& d) {
                net = d.net;
                const Network& f = d.reset.factoryNet;
                net.ip = f.ip;
                net.mask = f.mask;
                net.gateway = f.gateway;
                net.dns1 = f.dns1;
                net.dns2 = f.dns2;
                net.dhcp = f.dhcp;
                net.pppoe = false;
            });
            std::string error;
            // A factory address that the store refuses (no address, a port
            // clash) leaves the device where it is; the reset stands.
            store.setNetwork(id, net, &error);
        }
        store.reboot(id, rebootMs);
    });
}

void carryOutReset(DeviceStore& store, int id, const ResetOrder& order, int rebootMs, Json::Value& note)
{
    if (order.empty()) {
        note["reset"] = Json::Value(Json::objectValue);
        return;
    }
    store.modify(id, [&](Device& d) { applyReset(d, order, note); });
    finishReset(store, id, order.network == ResetOrder::Network::All, rebootMs);
}

namespace
{

std::atomic<int> g_rebootMs { 30000 };

std::int32_t writeReset(Device& d, ParamWrite& w)
{
    ResetOrder order;
    std::string why;
    if (!resetOrderFromRecord(w.record(0), w.recordSize, &order, &why)) {
        w.note["error"] = why;
        return vlwire::kBadRequest;
    }
    if (order.empty()) {
        w.note["reset"] = Json::Value(Json::objectValue);
        return vlwire::kOk;
    }
    applyReset(d, order, w.note);
    const bool move = order.network == ResetOrder::Network::All;
    const int rebootMs = g_rebootMs.load();
    w.then = [move, rebootMs](DeviceStore& store, int id) { finishReset(store, id, move, rebootMs); };
    return vlwire::kOk;
}

} // namespace

void setResetRebootMs(int ms)
{
    g_rebootMs = ms;
}

ParamRows resetParamRows()
{
    return { { VLNET_PARAM_RESET, VLNET_PARAM_RESET_SIZE, 0, ParamShape::Structure, nullptr, writeReset } };
}

} // namespace devsim
