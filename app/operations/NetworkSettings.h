#pragma once
// The network settings of a device: operation 0 (new address, ports and DNS
// servers by multicast or through VLNet, without a login), operation 8 (the
// same for an ONVIF device over its login) and operation 7 (NTP switched on
// over a VLNet login). The workers are members of DeviceInfo
// (modifyDevice, modifyOnvifDevice, enableNtp; DeviceInfo.h); what they
// send is built here by pure functions, so that it can be checked byte by
// byte.
//
// Threads: the functions below read the device record only; any thread.
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QByteArray>
#include <QString>

class DeviceInfo;

namespace NetworkSettings
{

// How operation 0 reaches a device.
enum class ModifyTransport { Multicast, VLNet };
// On the search page of an edition that reaches multicast finds through
// their web interface: multicast for those, VLNet for the others.
// Elsewhere multicast where the edition or the protocol setting (0) uses the
// web interface, else VLNet.
ModifyTransport modifyTransport(
    bool webInterfaceOnly, bool multicastFindsRule, int protocol, bool multicastFind);
// The same from the program's settings.
ModifyTransport modifyTransport(const DeviceInfo* device);

// The multicast update cannot be sent: the search gave no "dev id" or no
// "dev enc" (the request is sealed with them), or the edition that uses the
// web interface only runs with the VLNet protocol setting.
bool refusesMulticastUpdate(const DeviceInfo* device);

// The multicast update's listening time and the spread of the devices'
// answers, in ms.
constexpr int kUpdateTimeoutMs = 8000;
constexpr int kUpdateDelayMs = 200;
// The request of vl_start_multi_update for the device's new settings, with
// `password` as the account's password: {"delay","timeout","data"}, "data"
// the text of {"device":[{"id","key","username","password","info"}]} and
// "info" the text of the new settings, each written in the JSON library's
// default layout.
QByteArray multicastUpdateRequest(const DeviceInfo* device, const QString& password);
// What the log shows of it: the same with the password masked.
QByteArray multicastUpdateLogText(const DeviceInfo* device);
constexpr char kMaskedPassword[] = "******";

// What starts a multicast update: vl_start_multi_update unless a test put
// its own in place (null puts it back). The unit tests must not send
// multicast outside the lab. Set while no update starts.
using UpdateStarter = multicast_handle* (*)(const char* request, vl_json_callback callback, void* user);
void setUpdateStarter(UpdateStarter starter);

// VLNetSetNewDevInfoEx's record of the device's new settings.
VLNET_NEW_DEV_INFO newDevInfoRecord(const DeviceInfo* device);

// The port that operation 8 gives the device: on the search page of an
// edition that reaches multicast finds through their web interface the
// HTTP port for those and the web port for the others; elsewhere the web
// port with the VLNet protocol setting, else the HTTP port.
int onvifPort(const DeviceInfo* device);
// Writes the device's new settings into the record of message 511: the
// address, mask and gateway that are not empty, the port when it is not 0,
// and the address mode; every other byte stays.
void fillOnvifNetwork(const DeviceInfo* device, VLONVIF_NETWORK_PARAM& record);

} // namespace NetworkSettings
