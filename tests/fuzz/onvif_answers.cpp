// What ONVIF devices send the VLOnvifs stand-in: a WS-Discovery answer, down
// to the search record a caller gets, or a device service's answer to one of
// the operations the client sends, read as the client reads it.
//   first byte % 8: 0 a discovery datagram, 1..7 the answer to an operation;
//   second byte: the HTTP status (200, 400, 401 or 500)
#include "fuzz.h"
#include "messages.h"
#include "soap/wsse.h"

#include <cstdlib>
#include <cstring>

using namespace vlonvif;

namespace
{

// A text field holds the head of its text, cut to its slot, and never a
// character cut in two.
void checkField(const char* field, std::size_t width, const std::string& text)
{
    const std::string got(field, strnlen(field, width));
    if (text.compare(0, got.size(), got) != 0)
        std::abort();
    if (vljson::is_valid_utf8(text) && !vljson::is_valid_utf8(got))
        std::abort();
}

void discovery(const std::string& datagram)
{
    for (const auto& match : vlsoap::parseProbeMatches(datagram)) {
        alignas(VLONVIF_SEARCH_DEV_RSP) unsigned char buffer[VLONVIF_SEARCH_RECORD_BUFFER] = {};
        auto* record = reinterpret_cast<VLONVIF_SEARCH_DEV_RSP*>(buffer);
        std::string path;
        if (!fillSearchRecord(match, "192.168.1.10", record, &path))
            continue;
        if (!ipv4Bytes(std::string(record->ip, strnlen(record->ip, sizeof record->ip)))
            || record->web_port == 0 || record->web_port > 65535)
            std::abort();
        checkField(record->device_name, sizeof record->device_name, vlsoap::scopeValue(match.scopes, "name"));
        checkField(
            record->device_type, sizeof record->device_type, vlsoap::scopeValue(match.scopes, "hardware"));
        checkField(record->mac_addr, sizeof record->mac_addr, macFromEndpoint(match.endpoint));
        for (std::size_t i = sizeof *record; i < sizeof buffer; ++i)
            if (buffer[i])
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const int which = in.byte() % 8;
    static const int kStatuses[] = { 200, 400, 401, 500 };
    const int status = kStatuses[in.byte() % 4];
    const std::string body = in.rest();
    if (which == 0) {
        discovery(body);
        return 0;
    }
    const Operation ops[] = { getSystemDateAndTime(), getDeviceInformation(), getCapabilities(),
        getNetworkInterfaces(), getNetworkDefaultGateway(), getNetworkProtocols(),
        setNetworkInterfaces("eth0", false, "192.168.1.10", 24) };
    const Operation& op = ops[which - 1];
    const Answer answer = readAnswer(op, status, body);
    const vlsoap::XmlElement* p = answer.payload();
    if ((p != nullptr) != (answer.kind == AnswerKind::Ok))
        std::abort();
    if (!p)
        return 0;
    switch (which) {
    case 1:
        if (auto t = readSystemTime(*p))
            vlsoap::formatUtc(*t);
        break;
    case 2:
        readDeviceInformation(*p);
        break;
    case 3:
        parseXAddr(readDeviceServiceAddress(*p));
        break;
    case 4: {
        const auto interfaces = readNetworkInterfaces(*p);
        const NetworkInterface* main = mainInterface(interfaces);
        if (main && main->prefix > 0 && main->prefix <= 32) {
            std::uint8_t mask[4];
            prefixMask(main->prefix, mask);
            if (maskPrefix(mask) != main->prefix)
                std::abort();
        }
        break;
    }
    case 5:
        for (const auto& g : readDefaultGateways(*p))
            ipv4Bytes(g);
        break;
    case 6: {
        const int port = httpPort(readNetworkProtocols(*p));
        if (port < 0 || port > 65535)
            std::abort();
        break;
    }
    default:
        break;
    }
    return 0;
}
