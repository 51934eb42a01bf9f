#include "search/MulticastSearch.h"

#include "common/json.h"
#include "devices/DeviceTexts.h"
#include "shell/edition/EditionProfile.h"

#include <cstdint>
#include <string>

namespace
{

constexpr int kAnswerSpreadMs = 200;
constexpr int kListenMs = 3000;

QByteArray request(const QStringList& manufacturers)
{
    Json::Value r(Json::objectValue);
    r["delay"] = kAnswerSpreadMs;
    r["timeout"] = kListenMs;
    if (!manufacturers.isEmpty()) {
        r["must understand"] = true;
        Json::Value codes(Json::arrayValue);
        for (const QString& code : manufacturers)
            codes.append(code.toStdString());
        r["manufactures"] = codes;
    }
    return QByteArray::fromStdString(vljson::write_compact(r));
}

// A number as a 32-bit integer, wrapped as a C conversion of a 64-bit value
// would (the wrapper sends unsigned numbers). Anything that is no whole
// number a 64-bit integer holds reads as 0.
int32_t readInt32(vljson::reader& r, const char* key)
{
    const long long value = r.number<long long>(key, 0);
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
}

QByteArray readText(vljson::reader& r, const char* key)
{
    return QByteArray::fromStdString(r.text(key));
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
    Json::Value root;
    if (!vljson::parse_object(text, root)) {
        answer.kind = MulticastAnswer::Kind::Unreadable;
        return answer;
    }

    // The wrapper's socket failures: no device, so no row to act on.
    if (root.isMember("msg") && !root.isMember("mac")) {
        answer.kind = MulticastAnswer::Kind::Error;
        vljson::reader error(root, vljson::policy::exact_or_absent);
        answer.error = QString::fromStdString(error.text("msg"));
        const std::string info = error.text("info");
        if (!info.empty())
            answer.error += QStringLiteral(": ") + QString::fromStdString(info);
        return answer;
    }

    // Values of another type than the key's read as absent.
    vljson::reader r(root, vljson::policy::exact_or_absent);
    answer.kind = MulticastAnswer::Kind::Device;
    SearchDevRsp& record = answer.record;
    VLNET_SEARCH_DEV_RSP& sdk = record.sdk;
    sdk.channel_number = uint32_t(readInt32(r, "channel num"));
    sdk.sys_channel_num = uint32_t(readInt32(r, "sys channel num"));
    sdk.media_port = uint32_t(readInt32(r, "media port"));
    sdk.web_port = uint32_t(readInt32(r, "web port"));
    record.analogChannelCount = readInt32(r, "analog num");
    sdk.rtsp_port = static_cast<uint16_t>(readInt32(r, "rtsp port"));

    copyRecordText(sdk.device_name, readText(r, "dev name"));
    copyRecordText(sdk.device_type, readText(r, "dev type"));
    copyRecordText(sdk.device_version, readText(r, "software"));
    copyRecordText(sdk.dns1, readText(r, "wired dns1"));
    copyRecordText(sdk.dns2, readText(r, "wired dns2"));
    copyRecordText(sdk.gateway, readText(r, "wired gateway"));
    copyRecordText(sdk.ip, readText(r, "wired ip"));
    copyRecordText(sdk.mac_addr, readText(r, "mac"));
    copyRecordText(sdk.manufacture, readText(r, "manufacture"));
    copyRecordText(sdk.netmask, readText(r, "wired mask"));
    copyRecordText(sdk.p2p_id, readText(r, "p2pid"));
    copyRecordText(record.devEnc, readText(r, "dev enc"));
    copyRecordText(record.devId, readText(r, "dev id"));
    copyRecordText(sdk.serialnum, readText(r, "serial number"));
    copyRecordText(record.ipv6Text, readText(r, "ipv6"));

    sdk.is_first_login = r.flag("activated", false) ? 0 : 1;
    sdk.network_mode = networkMode(readText(r, "dhcp"));
    readDate(readText(r, "dev data"), sdk.system_time);

    const Json::Value& limits = vljson::member(root, "dev_limit");
    if (limits.isObject())
        answer.limits = QByteArray::fromStdString(vljson::write_compact(limits));
    return answer;
}
