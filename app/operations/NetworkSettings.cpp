#include "operations/NetworkSettings.h"

#include "common/json.h"
#include "devices/DeviceEvents.h"
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "shell/GKAppSetting.h"
#include "vl_sdk_wrapper.h"

#include <QCoreApplication>
#include <QDebug>
#include <atomic>
#include <cstring>
#include <json/value.h>

namespace
{

constexpr int kSucceeded = 5;
constexpr int kFailed = 6;
constexpr int kRefused = 62; // the multicast update cannot be sent

// The address-mode byte of VLNet's and VLOnvifs' records.
constexpr uint8_t kStaticMode = 2;
constexpr uint8_t kDhcpMode = 0;

uint8_t modeByte(const DeviceInfo* device)
{
    return device->addressMode != 0 ? kStaticMode : kDhcpMode;
}

// The four bytes of a dotted IPv4 text; zero when it does not parse.
void ipv4Bytes(const QString& text, uint8_t out[4])
{
    unsigned char bytes[4] = {};
    parseIPv4(text.toLatin1().constData(), bytes);
    std::memcpy(out, bytes, 4);
}

// The addresses and ports are ASCII; the credentials go out as UTF-8, which
// the request's JSON must be.
std::string text(const QString& s)
{
    return s.toUtf8().toStdString();
}

// A search-record text field of 16 bytes from a dotted text.
template <std::size_t N> void storeAddress(char (&field)[N], const QString& value)
{
    copyLatin1(value, field, int(N));
}

// Tells the two pages that can start operation 0 that it has ended for the
// device.
void releaseFromPages(DeviceInfo* device, bool ok)
{
    if (device->searchPage)
        device->searchPage->removeWorkDevice(device, ok, true);
    if (device->deviceInfoPage)
        device->deviceInfoPage->removeWorkDevice(device, true);
}

std::atomic<NetworkSettings::UpdateStarter> g_updateStarter { nullptr };

multicast_handle* startUpdate(const char* request, vl_json_callback callback, void* user)
{
    const NetworkSettings::UpdateStarter starter = g_updateStarter.load();
    return starter ? starter(request, callback, user) : vl_start_multi_update(request, callback, user);
}

} // namespace

namespace NetworkSettings
{

void setUpdateStarter(UpdateStarter starter)
{
    g_updateStarter.store(starter);
}

ModifyTransport modifyTransport(
    bool webInterfaceOnly, bool multicastFindsRule, int protocol, bool multicastFind)
{
    if (multicastFindsRule)
        return multicastFind ? ModifyTransport::Multicast : ModifyTransport::VLNet;
    return webInterfaceOnly || protocol == 0 ? ModifyTransport::Multicast : ModifyTransport::VLNet;
}

ModifyTransport modifyTransport(const DeviceInfo* device)
{
    const GKAppSetting* settings = GKAppSetting::instance();
    const EditionProfile::Devices& edition = settings->profile().devices;
    return modifyTransport(edition.webInterfaceOnly,
        edition.webInterfaceForMulticastFinds && settings->onSearchPage(), settings->protocol(),
        device->searchSource.load() != 0);
}

bool refusesMulticastUpdate(const DeviceInfo* device)
{
    const GKAppSetting* settings = GKAppSetting::instance();
    return device->devId().isEmpty() || device->devEnc().isEmpty()
        || (settings->profile().devices.webInterfaceOnly && settings->protocol() == 1);
}

QByteArray multicastUpdateRequest(const DeviceInfo* device, const QString& password)
{
    Json::Value info(Json::objectValue);
    info["wired ip"] = text(device->newIp);
    info["media port"] = Json::UInt(device->newMediaPort);
    info["web port"] = Json::UInt(unsigned(device->httpPort));
    info["wired gateway"] = text(device->newGateway);
    info["wired mask"] = text(device->newMask);
    info["dhcp"] = device->addressMode != 0 ? "static" : "dhcp";
    info["wired dns1"] = text(device->newDns1);
    info["wired dns2"] = text(device->newDns2);

    Json::Value entry(Json::objectValue);
    entry["id"] = text(device->devId());
    entry["key"] = text(device->devEnc());
    entry["username"] = text(device->user);
    entry["password"] = text(password);
    entry["info"] = vljson::write_styled(info);
    Json::Value data(Json::objectValue);
    data["device"].append(entry);

    Json::Value request(Json::objectValue);
    request["delay"] = kUpdateDelayMs;
    request["timeout"] = kUpdateTimeoutMs;
    request["data"] = vljson::write_styled(data);
    return QByteArray::fromStdString(vljson::write_styled(request));
}

QByteArray multicastUpdateLogText(const DeviceInfo* device)
{
    return multicastUpdateRequest(device, QLatin1String(kMaskedPassword));
}

VLNET_NEW_DEV_INFO newDevInfoRecord(const DeviceInfo* device)
{
    VLNET_NEW_DEV_INFO record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(record.version, "12", 3);
    copyLatin1(device->user, record.user, int(sizeof record.user));
    copyLatin1(device->password, record.password, int(sizeof record.password));
    ipv4Bytes(device->ip(), record.original_ip);
    ipv4Bytes(device->newIp, record.new_ip);
    ipv4Bytes(device->newMask, record.netmask);
    ipv4Bytes(device->newGateway, record.gateway);
    ipv4Bytes(device->newDns1, record.dns1);
    ipv4Bytes(device->newDns2, record.dns2);
    // The search's 36-byte MAC field; the 4 bytes after it stay zero.
    const SearchDevRsp& found = device->searchRecord;
    std::memcpy(record.mac_addr, found.sdk.mac_addr, sizeof found.sdk.mac_addr);
    // The 64-bit device-type word as VLNet's search delivered it.
    std::memcpy(&record.device_type, &found.sdk.dev_type_l, sizeof record.device_type);
    record.media_port = device->newMediaPort;
    record.web_port = device->newWebPort;
    record.network_mode = modeByte(device);
    record.byte225 = 1;
    return record;
}

int onvifPort(const DeviceInfo* device)
{
    const GKAppSetting* settings = GKAppSetting::instance();
    const EditionProfile::Devices& edition = settings->profile().devices;
    if (edition.webInterfaceForMulticastFinds && settings->onSearchPage())
        return device->searchSource.load() != 0 ? device->httpPort : device->newWebPort;
    return settings->protocol() != 0 ? device->newWebPort : device->httpPort;
}

void fillOnvifNetwork(const DeviceInfo* device, VLONVIF_NETWORK_PARAM& record)
{
    if (!device->newIp.isEmpty())
        ipv4Bytes(device->newIp, record.ipv4);
    if (!device->newMask.isEmpty())
        ipv4Bytes(device->newMask, record.netmask);
    if (!device->newGateway.isEmpty())
        ipv4Bytes(device->newGateway, record.gateway);
    if (const int port = onvifPort(device))
        record.web_port = port;
    record.address_mode = modeByte(device);
}

} // namespace NetworkSettings

using namespace NetworkSettings;

void DeviceInfo::modifyDevice()
{
    if (modifyTransport(this) == ModifyTransport::Multicast) {
        if (refusesMulticastUpdate(this)) {
            setStatus(kRefused);
            releaseFromPages(this, false);
            return;
        }
        const QByteArray request = multicastUpdateRequest(this, password);
        // The request carries the password in clear.
        qDebug().noquote() << "DeviceInfo::modifyDevice" << QString::fromUtf8(multicastUpdateLogText(this));
        // A handle of an update that never reported would be lost.
        if (multicast_handle* old = updateHandle.exchange(nullptr))
            vl_stop_multi_update(old);
        multicast_handle* handle = startUpdate(request.constData(), &multiUpdateCallback, this);
        if (!handle) {
            // No reply will ever come: the pages would wait for the device
            // (and stay disabled) for good.
            setStatus(kFailed);
            releaseFromPages(this, false);
            return;
        }
        updateHandle.store(handle);
        return;
    }

    const VLNET_NEW_DEV_INFO record = newDevInfoRecord(this);
    const bool ok = VLNetSetNewDevInfoEx(&record) != 0;
    if (ok) {
        SearchDevRsp& found = searchRecord;
        storeAddress(found.sdk.ip, newIp);
        storeAddress(found.sdk.gateway, newGateway);
        storeAddress(found.sdk.netmask, newMask);
        storeAddress(found.sdk.dns1, newDns1);
        storeAddress(found.sdk.dns2, newDns2);
        found.sdk.media_port = newMediaPort;
        found.sdk.web_port = newWebPort;
        found.sdk.network_mode = modeByte(this);
    }
    setStatus(ok ? kSucceeded : kFailed);
    releaseFromPages(this, ok);
}

void VL_CALL DeviceInfo::multiUpdateCallback(const char* json, void* user)
{
    if (json && user)
        static_cast<DeviceInfo*>(user)->onMultiUpdateReply(json);
}

void DeviceInfo::onMultiUpdateReply(const char* json)
{
    // A reply after the update was stopped belongs to no one.
    if (!json || !updateHandle.load())
        return;
    const int code = updateReplyCode(json, devId(), lastStatus());
    if (code < 0)
        return;
    QCoreApplication::postEvent(this, new QMultiEvent(MultiUpdateEvent, code));
}

void DeviceInfo::modifyOnvifDevice()
{
    VLONVIF_NETWORK_PARAM record;
    std::memset(&record, 0, sizeof record);
    record.size = sizeof record;
    bool ok = true;
    // Without the library's time-outs set a query could wait long; the set
    // then goes on the zero record, whose zero fields keep the device's
    // values.
    if (GKAppSetting::instance()->onvifTimeoutsSet()) {
        VLONVIF_QUERY_PARAM_EX query;
        std::memset(&query, 0, sizeof query);
        query.command = VLONVIF_CMD_NETWORK;
        query.buffer = &record;
        query.buffer_size = sizeof record;
        ok = VLOnvifQueryParamEx(connectionHandle, &query) == 1;
    }
    int port = 0;
    if (ok) {
        fillOnvifNetwork(this, record);
        port = onvifPort(this);
        VLONVIF_SET_PARAM set;
        std::memset(&set, 0, sizeof set);
        set.command = VLONVIF_CMD_NETWORK;
        set.record = &record;
        ok = VLOnvifSetParam(connectionHandle, &set) == 1;
    }
    if (!ok) {
        setStatus(kFailed);
        logoutDevice(__LINE__);
        return;
    }
    SearchDevRsp& found = searchRecord;
    if (!newIp.isEmpty())
        storeAddress(found.sdk.ip, newIp);
    if (!newGateway.isEmpty())
        storeAddress(found.sdk.gateway, newGateway);
    if (!newMask.isEmpty())
        storeAddress(found.sdk.netmask, newMask);
    // The port the device was given, whichever of the two it was.
    if (port != 0)
        found.sdk.web_port = std::uint32_t(port);
    found.sdk.network_mode = modeByte(this);
    setStatus(kSucceeded);
}

void DeviceInfo::enableNtp()
{
    // 0 is a failure and 2 a user without the right; only these two fail.
    const auto failed = [](int result) { return result == 0 || result == 2; };
    VLNET_TIME_PARAM time;
    std::memset(&time, 0, sizeof time);
    time.size = sizeof time;
    VLNET_QUERY_PARAM_EX query;
    std::memset(&query, 0, sizeof query);
    query.command = VLNET_PARAM_TIME;
    query.buffer = &time;
    query.buffer_size = sizeof time;
    if (failed(VLNetQueryParamEx(connectionHandle, &query))) {
        setStatus(kFailed);
        return;
    }
    time.use_ntp = 1;
    VLNET_SET_PARAM set;
    std::memset(&set, 0, sizeof set);
    set.command = VLNET_PARAM_TIME;
    set.record = &time;
    setStatus(failed(VLNetSetParam(connectionHandle, &set)) ? kFailed : kSucceeded);
}
