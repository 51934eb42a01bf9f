#include "search/MulticastSearch.h"

#include "devices/DeviceTexts.h"
#include "shell/Utilities.h"
#include "shell/edition/EditionProfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstdint>

namespace
{

constexpr int kAnswerSpreadMs = 200;
constexpr int kListenMs = 3000;

QByteArray request(const QStringList& manufacturers)
{
    QJsonObject r;
    r.insert(QStringLiteral("delay"), kAnswerSpreadMs);
    r.insert(QStringLiteral("timeout"), kListenMs);
    if (!manufacturers.isEmpty()) {
        r.insert(QStringLiteral("must understand"), true);
        r.insert(QStringLiteral("manufactures"), QJsonArray::fromStringList(manufacturers));
    }
    return jsonToBytes(r);
}

// A number as a 32-bit integer: its integral part, wrapped to 32 bits as a
// C conversion of a 64-bit value would (the wrapper sends unsigned numbers).
// Anything that is no finite number reads as 0.
int32_t readInt32(const QJsonValue& value)
{
    if (!value.isDouble())
        return 0;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d <= -9.2e18 || d >= 9.2e18)
        return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(d)));
}

QByteArray readText(const QJsonValue& value)
{
    return value.isString() ? value.toString().toUtf8() : QByteArray();
}

int32_t networkMode(const QByteArray& dhcp)
{
    if (dhcp == "static")
        return 2;
    if (dhcp == "dhcp")
        return 0;
    if (dhcp == "pppoe")
        return 1;
    if (dhcp == "3g")
        return 3;
    if (dhcp == "wifi")
        return 4;
    return 5;
}

// Reads one "%d" as sscanf does: white space, a sign, at least one digit.
// Digits beyond what an int holds keep the value's low bits.
bool readDecimal(const char*& p, int64_t& out)
{
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    uint64_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10 + uint64_t(*p++ - '0');
    out = static_cast<int64_t>(negative ? 0 - value : value); // wraps, as the low bits are all that is kept
    return true;
}

// "2023-7-5" (as "%d-%d-%d", trailing text ignored) into the record's date;
// any other text leaves the date zero.
void readDate(const QByteArray& text, VLNET_TIME& date)
{
    if (text.isEmpty())
        return;
    const char* p = text.constData();
    int64_t year = 0;
    int64_t month = 0;
    int64_t day = 0;
    if (!readDecimal(p, year) || *p++ != '-' || !readDecimal(p, month) || *p++ != '-' || !readDecimal(p, day))
        return;
    date.year = static_cast<uint16_t>(year);
    date.month = static_cast<uint8_t>(month);
    date.day = static_cast<uint8_t>(day);
}

} // namespace

QVector<QByteArray> multicastSearchRequests(const EditionProfile& edition)
{
    QVector<QByteArray> requests { request(edition.devices.multicastManufacturers) };
    if (!edition.devices.multicastManufacturers.isEmpty() && edition.devices.unfilteredMulticastSearchToo)
        requests << request(QStringList());
    return requests;
}

MulticastAnswer parseMulticastAnswer(const char* text)
{
    MulticastAnswer answer;
    if (!text)
        return answer; // the end of the search

    // Only a null text ends the search: an unreadable answer must not count
    // as an end, or the receivers would finish before the search has.
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(text), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        answer.kind = MulticastAnswer::Kind::Unreadable;
        return answer;
    }
    const QJsonObject o = doc.object();
    auto value = [&o](const char* key) { return o.value(QLatin1String(key)); };

    // The wrapper's socket failures: no device, so no row to act on.
    if (o.contains(QLatin1String("msg")) && !o.contains(QLatin1String("mac"))) {
        answer.kind = MulticastAnswer::Kind::Error;
        answer.error = value("msg").toString();
        const QJsonValue info = value("info");
        if (info.isString() && !info.toString().isEmpty())
            answer.error += QStringLiteral(": ") + info.toString();
        return answer;
    }

    answer.kind = MulticastAnswer::Kind::Device;
    SearchDevRsp& r = answer.record;
    VLNET_SEARCH_DEV_RSP& sdk = r.sdk;
    sdk.channel_number = uint32_t(readInt32(value("channel num")));
    sdk.sys_channel_num = uint32_t(readInt32(value("sys channel num")));
    sdk.media_port = uint32_t(readInt32(value("media port")));
    sdk.web_port = uint32_t(readInt32(value("web port")));
    r.analogChannelCount = readInt32(value("analog num"));
    sdk.rtsp_port = static_cast<uint16_t>(readInt32(value("rtsp port")));

    copyRecordText(sdk.device_name, readText(value("dev name")));
    copyRecordText(sdk.device_type, readText(value("dev type")));
    copyRecordText(sdk.device_version, readText(value("software")));
    copyRecordText(sdk.dns1, readText(value("wired dns1")));
    copyRecordText(sdk.dns2, readText(value("wired dns2")));
    copyRecordText(sdk.gateway, readText(value("wired gateway")));
    copyRecordText(sdk.ip, readText(value("wired ip")));
    copyRecordText(sdk.mac_addr, readText(value("mac")));
    copyRecordText(sdk.manufacture, readText(value("manufacture")));
    copyRecordText(sdk.netmask, readText(value("wired mask")));
    copyRecordText(sdk.p2p_id, readText(value("p2pid")));
    copyRecordText(r.devEnc, readText(value("dev enc")));
    copyRecordText(r.devId, readText(value("dev id")));
    copyRecordText(sdk.serialnum, readText(value("serial number")));
    copyRecordText(r.ipv6Text, readText(value("ipv6")));

    const QJsonValue activated = value("activated");
    sdk.is_first_login = (activated.isBool() && activated.toBool()) ? 0 : 1;
    sdk.network_mode = networkMode(readText(value("dhcp")));
    readDate(readText(value("dev data")), sdk.system_time);

    const QJsonValue limits = value("dev_limit");
    if (limits.isObject())
        answer.limits = jsonToBytes(limits.toObject());
    return answer;
}
