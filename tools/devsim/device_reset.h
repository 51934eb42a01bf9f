#pragma once
// Restoring a device's defaults, the same for every transport (VLNet's
// reset record, message 521; the web interface's
// "/API/Maintenance/Reset/Set", web_reset.h).
//
// A reset names categories. What each one returns to its factory state on a
// simulated device:
//   channel (VLNet: display)   channel names ("CH1", ...), the stream
//                              (570..572) and OSD (573) records
//   system                     the time settings (524: time zone, NTP, time
//                              and date modes; the clock runs on)
//   network, all               the factory network settings of the device's
//                              ResetProfile: address, mask, gateway, DNS,
//                              DHCP (the ports stay: one port serves one kind
//                              of connection for all devices)
//   network, except params     nothing devsim keeps (the address stays)
//   record, event (advanced), ai (intelligent), device (storage), alarm,
//   pairing                    nothing devsim keeps yet: noted only
//   accounts                   users back to the factory's one "admin"
//                              without a password (505 records cleared), the
//                              device not activated; only the factory-reset
//                              types "...inactive..." and "...factory..."
// A record "returns to its factory state" by leaving the parameter store:
// a message without a stored record reads as the device's default.
//
// The device answers first; 200 ms later it moves (a network reset) and
// reboots (`rebootMs`), when anything was reset.
#include "device.h"
#include "param_messages.h"
#include "store.h"

#include <cstddef>
#include <cstdint>
#include <json/value.h>
#include <set>
#include <string>
#include <vector>

namespace devsim
{

// The reset items of the web interface, in the order Reset/Range lists
// them. "secondary_authentication" is no category: it tells that Reset/Set
// wants the second authentication.
extern const char* const kResetItems[11];
bool isResetItem(const std::string& name);

// The factory address of generated device n: counted down from
// 192.168.254.1 by 250 a block, in the lab's device range and clear of the
// generated addresses (192.168.1.10 up).
std::string factoryIp4(int n);
// What a generated device offers: every item but "storage" on recorders;
// cameras offer "storage" (their card) in place of "device"; the factory
// types "restore_defaults", "restore_to_inactive"
// and "factory_defaults"; the factory network of factoryIp4(n).
ResetProfile defaultResetProfile(Kind kind, int n, const Network& generated);

// The profile as the device's state shows it: {"items", "factory_types",
// "factory_network": {ip, mask, gateway, dns1, dns2, dhcp}}; `set` and the
// devices file take any part of it.
Json::Value resetProfileToJson(const ResetProfile& profile);
bool applyResetProfileJson(ResetProfile& profile, const Json::Value& v, std::string* error);

// One reset as the device understood it.
struct ResetOrder {
    enum class Network { Keep, All, ExceptParams };
    std::set<std::string> categories; // channel, record, event, ai, device, system, alarm, pairing
    Network network = Network::Keep;
    bool accounts = false;
    std::string factoryType; // the web's factory type, when one was named
    bool empty() const { return categories.empty() && network == Network::Keep && !accounts; }
};

// The 24-byte record of message 521; false (with why) for another size, a
// size word other than 24 or a network mode other than 0, 1, 2.
bool resetOrderFromRecord(const std::uint8_t* record, std::size_t size, ResetOrder* order, std::string* why);
// The "data" of a web Reset/Set for device `profile`: a "factory_type" of
// the device's list, or the items (JSON booleans) it offers; items it does
// not offer are left out (noted in `ignored`). False (with why) for data
// that is no object, an unknown factory type or an item that is no boolean.
bool resetOrderFromWeb(const ResetProfile& profile, const Json::Value& data, ResetOrder* order,
    std::vector<std::string>* ignored, std::string* why);

// Changes the device now, under the store's lock (everything but its
// network and the reboot). `note` gets what was reset and cleared.
void applyReset(Device& device, const ResetOrder& order, Json::Value& note);
// What follows the answer: after kResetDelayMs the move to the factory
// network (with `move`) and the reboot for `rebootMs`.
constexpr int kResetDelayMs = 200;
void finishReset(DeviceStore& store, int id, bool move, int rebootMs);
// The whole reset of device `id`: applyReset now, then finishReset. Does
// nothing for an empty order.
void carryOutReset(DeviceStore& store, int id, const ResetOrder& order, int rebootMs, Json::Value& note);

// Message 521 over VLNet (param_messages.h: resetParamRows): a write of the
// reset record resets as above and reboots for the time set here (the
// simulator sets its --reboot-seconds; 30 s until then). Any thread.
void setResetRebootMs(int ms);

} // namespace devsim
