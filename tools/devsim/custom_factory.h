#pragma once
// A device's factory-side settings as its web interface and VLNet change
// them: its first password, its video format, its name and type, and the
// developer switches.
//
//   "/API/FirstLogin/Password/Set"        (no session) a device that is not
//       activated takes the password opened from "base_enc_password" (a
//       "base_x_public" key of "/API/Login/TransKey/Get", web_secrets.h) for
//       its account of the default user (`defaultUser`, devsim's
//       --default-user; the account is made when missing) and is activated.
//       "already_activated" (403) for an activated device, "invalid_param"
//       (400) when the password did not open or breaks a rule.
//   "/API/Maintenance/Customfactory/Get"  (no session) {"video_format":
//       "PAL"|"NTSC", "device_name", "device_type"}.
//   "/API/Maintenance/Customfactory/Set"  {"data": {"video_format",
//       "device_name", "device_type"}}, each optional, each a text;
//       "invalid_param" (400) for a member of another type or an unknown
//       format, nothing changed then. A new format is answered first, then
//       the device reboots into it (`rebootMs`). The path asks for HTTP
//       Digest only where a test switches it on ("web" command).
//   "/API/Maintenance/DeveloperMode/Get"  {"telnet_switch":"false",
//       "export_disk_switch":"false"} unless a test sets the answer ("web"
//       command, "answers").
//
// Over VLNet, message 700 (the device-information record) changes the name
// and the type where its change flags say so (applyDeviceInfoRecord).
//
// Threads: handlers run on the web server's threads and reach the device
// only through the store.
#include "device.h"
#include "log.h"
#include "param_messages.h"
#include "store.h"
#include "web_server.h"

#include <cstdint>
#include <string>
#include <vector>

namespace devsim
{

class CustomFactory
{
public:
    CustomFactory(DeviceStore& store, EventLog& log, std::string defaultUser, int rebootMs);

    // Adds the paths above to `web` (before it starts).
    void addTo(WebServer& web);

    // The handlers of FirstLogin/Password/Set and Customfactory/Set, for
    // tests without a network: `call.secrets` as the web secrets left them.
    WebAnswer firstLogin(WebCall& call);
    WebAnswer set(WebCall& call);

private:
    DeviceStore& m_store;
    EventLog& m_log;
    const std::string m_defaultUser;
    const int m_rebootMs;
};

// "PAL" for 0, "NTSC" for 1; the device's videoFormat from those texts
// (false for any other).
const char* videoFormatName(int format);
bool videoFormatFromName(const std::string& name, int* format);

// What a device-information record (message 700) changes of the device: the
// type (flag 0x10, the 32 bytes at 136) and the name (flag 0x20, the 32
// bytes at 168), each read up to its first zero byte and never past its
// field. Records of another size change nothing. The texts taken go to
// `note` ("device_name", "device_type").
void applyDeviceInfoRecord(Device& d, const std::vector<std::uint8_t>& record, Json::Value& note);
// The write of message 700's row (param_messages.h): the record kept in the
// parameter store as it came, and applied as above.
std::int32_t writeDeviceInfoRecord(Device& d, ParamWrite& w);

} // namespace devsim
