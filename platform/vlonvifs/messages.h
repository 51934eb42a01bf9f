#pragma once
// What the ONVIF client writes to a device service and reads back, and how
// a discovery answer becomes a search record: pure functions of their input,
// so that tests and fuzz targets call them without a network.
#include "soap/address.h"
#include "soap/discovery.h"
#include "soap/envelope.h"
#include "soap/xml.h"
#include "vlonvifs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlonvif
{

using vlsoap::ipv4Bytes;
using vlsoap::ipv4Text;
using vlsoap::maskPrefix;
using vlsoap::parseXAddr;
using vlsoap::prefixMask;
using vlsoap::XAddr;

// The device service path that ONVIF devices serve when nothing else is known.
inline constexpr const char* kDefaultServicePath = "/onvif/device_service";

// ---- Requests ------------------------------------------------------------

// One device-service operation: its body and its SOAP action.
struct Operation {
    std::string action;
    std::string body;
};
Operation getSystemDateAndTime();
Operation getDeviceInformation();
Operation getCapabilities();
Operation getNetworkInterfaces();
Operation getNetworkDefaultGateway();
Operation getNetworkProtocols();
// IPv4 of interface `token`: DHCP, or a manual address with its prefix length.
Operation setNetworkInterfaces(const std::string& token, bool dhcp, const std::string& address, int prefix);
Operation setNetworkDefaultGateway(const std::string& ipv4);
struct Protocol {
    std::string name; // "HTTP", "HTTPS", "RTSP"
    bool enabled = false;
    std::vector<int> ports;
};
Operation setNetworkProtocols(const std::vector<Protocol>& protocols);

// The envelope of `op`, with a UsernameToken when `token` is given.
std::string requestText(const Operation& op, const vlsoap::UsernameToken* token);

// ---- Answers -------------------------------------------------------------

enum class AnswerKind {
    Ok, // the expected response element
    Unauthorized, // HTTP 401, or a fault saying the credentials were refused
    Fault, // any other SOAP fault
    Invalid, // not a SOAP answer, or not the expected one
    Unreachable, // no HTTP answer at all (not made by readAnswer)
};

struct Answer {
    AnswerKind kind = AnswerKind::Invalid;
    std::optional<vlsoap::XmlElement> document;
    std::string detail; // fault code and reason, or why the answer is invalid
    // The response element (Ok only).
    const vlsoap::XmlElement* payload() const;
};
// Reads the answer to `op` (HTTP status and body).
Answer readAnswer(const Operation& op, int httpStatus, std::string_view body);

// GetSystemDateAndTimeResponse: the device's UTC time.
std::optional<std::time_t> readSystemTime(const vlsoap::XmlElement& response);

struct DeviceInformation {
    std::string manufacturer, model, firmware, serial, hardwareId;
};
DeviceInformation readDeviceInformation(const vlsoap::XmlElement& response);

// GetCapabilitiesResponse: the device service address, empty when not given.
std::string readDeviceServiceAddress(const vlsoap::XmlElement& response);

struct NetworkInterface {
    std::string token;
    bool enabled = false;
    std::string hwAddress;
    bool ipv4Enabled = false;
    bool dhcp = false;
    std::string address; // the address in use: the manual one, or the one from DHCP
    int prefix = 0;
};
std::vector<NetworkInterface> readNetworkInterfaces(const vlsoap::XmlElement& response);
// The interface whose IPv4 settings the record shows and sets: the first
// enabled one with IPv4 enabled, else the first one; null when none.
const NetworkInterface* mainInterface(const std::vector<NetworkInterface>& interfaces);

std::vector<std::string> readDefaultGateways(const vlsoap::XmlElement& response);
std::vector<Protocol> readNetworkProtocols(const vlsoap::XmlElement& response);
// The first port of the enabled HTTP protocol; 0 when there is none.
int httpPort(const std::vector<Protocol>& protocols);

// ---- Search records ------------------------------------------------------

// The MAC that a time-based endpoint UUID carries in its node field
// ("02:56:4C:00:00:09"); empty for any other endpoint.
std::string macFromEndpoint(std::string_view endpoint);

// Fills the zeroed record from one ProbeMatch that arrived from `source`:
// ip and web port from the XAddr whose host is the source address (else the
// first IPv4 one), names from the Scopes, the MAC from the endpoint. False
// when no IPv4 address is found (and the record stays zero).
bool fillSearchRecord(const vlsoap::ProbeMatch& match, const std::string& source,
    VLONVIF_SEARCH_DEV_RSP* record, std::string* servicePath = nullptr);

// Copies `text` into a field of `width` bytes: cut at a character boundary,
// zero-terminated unless it fills the field.
void copyField(char* field, std::size_t width, std::string_view text);

} // namespace vlonvif
