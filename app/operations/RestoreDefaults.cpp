#include "operations/RestoreDefaults.h"

#include <QJsonArray>
#include <cstring>

namespace RestoreDefaults
{

namespace
{

const char* const kItemNames[ItemCount] = {
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

SdkResetRecord emptyRecord()
{
    SdkResetRecord r;
    std::memset(&r, 0, sizeof r);
    r.size = sizeof r;
    return r;
}

quint8 bit(quint8 flag)
{
    return flag ? 1 : 0;
}

} // namespace

const char* itemName(Item item)
{
    return item >= 0 && item < ItemCount ? kItemNames[item] : "";
}

SdkResetRecord recordForAll()
{
    SdkResetRecord r = emptyRecord();
    r.display = r.record = r.alarm = r.device = r.system = r.advanced = r.intelligent = 1;
    r.network = VLNET_RESET_NETWORK_ALL;
    r.pairing = 0;
    return r;
}

SdkResetRecord recordKeepingNetwork()
{
    SdkResetRecord r = recordForAll();
    r.network = VLNET_RESET_NETWORK_EXCEPT_PARAMS;
    r.pairing = 1;
    return r;
}

SdkResetRecord recordFromFlags(const SdkFlags& f)
{
    SdkResetRecord r = emptyRecord();
    r.display = bit(f[SdkDisplay]);
    r.record = bit(f[SdkRecord]);
    r.alarm = bit(f[SdkAlarm]);
    r.device = bit(f[SdkDevice]);
    r.system = bit(f[SdkSystem]);
    r.advanced = bit(f[SdkAdvanced]);
    r.intelligent = bit(f[SdkIntelligent]);
    r.pairing = bit(f[SdkPairing]);
    // The all choice wins over the except-network choice when the page left
    // both set.
    if (!f[SdkNetwork])
        r.network = VLNET_RESET_NETWORK_KEEP;
    else if (f[SdkAll])
        r.network = VLNET_RESET_NETWORK_ALL;
    else if (f[SdkExceptNetwork])
        r.network = VLNET_RESET_NETWORK_EXCEPT_PARAMS;
    else
        r.network = VLNET_RESET_NETWORK_KEEP;
    return r;
}

Offered offeredItems(const QJsonObject& reply)
{
    const QJsonObject data = reply.value(QStringLiteral("data")).toObject();
    Offered offered {};
    for (int i = 0; i < ItemCount; ++i) {
        const QJsonValue v = data.value(QLatin1String(kItemNames[i]));
        offered[std::size_t(i)] = !v.isUndefined() && !v.isNull() ? 1 : 0;
    }
    return offered;
}

bool anyOffered(const Offered& offered)
{
    for (quint8 o : offered) {
        if (o)
            return true;
    }
    return false;
}

std::optional<QList<QByteArray>> factoryTypes(const QJsonObject& reply)
{
    const QJsonValue items = reply.value(QStringLiteral("data"))
                                 .toObject()
                                 .value(QStringLiteral("factory_type"))
                                 .toObject()
                                 .value(QStringLiteral("items"));
    if (!items.isArray())
        return std::nullopt;
    QList<QByteArray> types;
    for (const QJsonValue& v : items.toArray()) {
        if (v.isString())
            types << v.toString().toUtf8();
    }
    return types;
}

QJsonObject itemsFromFlags(const WebFlags& f, const Offered& offered)
{
    QJsonObject items;
    auto put = [&](Item item, bool value) {
        if (offered[item])
            items.insert(QLatin1String(kItemNames[item]), value);
    };
    put(ItemChannel, f[WebChannel]);
    put(ItemRecord, f[WebRecord]);
    put(ItemEvent, f[WebEvent]);
    put(ItemAi, f[WebAi]);
    put(ItemNetwork, f[WebNetwork]);
    // Without the network reset there is nothing to keep, so the device is
    // told to keep its settings whatever the radio button said.
    put(ItemExceptNetwork, f[WebNetwork] ? bool(f[WebExceptNetwork]) : true);
    if (offered[ItemDevice])
        put(ItemDevice, f[WebDevice]);
    else
        put(ItemStorage, f[WebDevice]);
    put(ItemSystem, f[WebSystem]);
    put(ItemAlarm, f[WebAlarm]);
    return items;
}

QJsonObject itemsKeepingNetwork(const Offered& offered)
{
    WebFlags all;
    all.fill(1);
    QJsonObject items = itemsFromFlags(all, offered);
    // A device that cannot keep its network settings would go back to its
    // factory address, where the automatic upgrade no longer finds it.
    if (!offered[ItemExceptNetwork] && offered[ItemNetwork])
        items.insert(QLatin1String(kItemNames[ItemNetwork]), false);
    return items;
}

QByteArray chooseFactoryType(int choice, const QList<QByteArray>& types)
{
    auto lastMatch = [&](auto matches, const char* otherwise) {
        QByteArray chosen = otherwise;
        for (const QByteArray& t : types) {
            if (matches(t))
                chosen = t;
        }
        return chosen;
    };
    switch (choice) {
    case 0:
        return lastMatch([](const QByteArray& t) { return t.contains("inactive"); }, "restore_to_inactive");
    case 1:
        return lastMatch([](const QByteArray& t) { return t.contains("restore") && t.contains("defaults"); },
            "restore_defaults");
    case 2:
        return lastMatch([](const QByteArray& t) { return t.contains("factory"); }, "factory_defaults");
    default:
        return QByteArrayLiteral("restore_to_inactive");
    }
}

int resetSetStatus(bool httpOk, const QJsonObject& reply)
{
    if (!httpOk)
        return kFailed;
    // A device that says it failed has failed, even with HTTP 200.
    const QJsonValue result = reply.value(QStringLiteral("result"));
    if (!result.isUndefined() && result.toString() != QLatin1String("success"))
        return kFailed;
    return kTaken;
}

} // namespace RestoreDefaults
