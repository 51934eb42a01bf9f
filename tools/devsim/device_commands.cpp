#include "device_commands.h"

#include "common/hex.h"
#include "param_messages.h"
#include "request_checks.h"
#include "snapshot.h"
#include "vlnet.h"
#include "wire.h"

#include <cctype>
#include <cstring>
#include <optional>
#include <set>

namespace devsim
{

namespace
{

// A slot text as the device reads it: up to the first NUL or the slot's end.
std::string slotText(const char* slot, std::size_t size)
{
    return std::string(slot, strnlen(slot, size));
}

bool isZero(const std::uint8_t (&octets)[4])
{
    return (octets[0] | octets[1] | octets[2] | octets[3]) == 0;
}

// A MAC text compared by its hex digits alone: searches report it with
// colons or dashes, in either case.
std::string macDigits(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
        if (std::isxdigit(c))
            out += char(std::tolower(c));
    return out;
}

// A mask is the leading ones of an address, at least one of them.
bool isMask(const std::uint8_t (&octets)[4])
{
    const std::uint32_t m = std::uint32_t(octets[0]) << 24 | std::uint32_t(octets[1]) << 16
        | std::uint32_t(octets[2]) << 8 | octets[3];
    return m != 0 && ((~m + 1) & ~m) == 0;
}

void noteRecord(const VLNET_NEW_DEV_INFO& r, Json::Value& note)
{
    note["version"] = slotText(r.version, sizeof r.version);
    note["password_length"] = Json::UInt(strnlen(r.password, sizeof r.password));
    note["original_ip"] = vlwire::ipv4Text(r.original_ip);
    note["new_ip"] = vlwire::ipv4Text(r.new_ip);
    note["netmask"] = vlwire::ipv4Text(r.netmask);
    note["gateway"] = vlwire::ipv4Text(r.gateway);
    note["dns1"] = vlwire::ipv4Text(r.dns1);
    note["dns2"] = vlwire::ipv4Text(r.dns2);
    note["mac"] = slotText(r.mac_addr, sizeof r.mac_addr);
    note["device_type"] = Json::UInt64(r.device_type);
    note["media_port"] = r.media_port;
    note["web_port"] = r.web_port;
    note["network_mode"] = r.network_mode;
    note["byte225"] = r.byte225;
    note["byte226"] = r.byte226;
    note["point_to_point"] = r.point_to_point;
}

// The settings the record asks for, from the device's present ones. In
// DHCP mode the lease decides: what the record leaves at 0.0.0.0 stays as
// it is (the lab has no DHCP server; a given address stands for the lease).
bool settingsOf(const VLNET_NEW_DEV_INFO& r, Network& net, std::string& why)
{
    if (r.network_mode > 2) {
        why = "unknown address mode " + std::to_string(r.network_mode);
        return false;
    }
    const bool dhcp = r.network_mode == 0;
    if (!dhcp && !isMask(r.netmask)) {
        why = "not a netmask: " + vlwire::ipv4Text(r.netmask);
        return false;
    }
    if (r.media_port < 1 || r.media_port > 65535 || r.web_port < 1 || r.web_port > 65535) {
        why = "a port outside 1 to 65535";
        return false;
    }
    net.dhcp = dhcp;
    net.pppoe = r.network_mode == 1;
    if (!dhcp || !isZero(r.new_ip))
        net.ip = vlwire::ipv4Text(r.new_ip); // 0.0.0.0 of a fixed address: setNetwork refuses it
    if (!dhcp || isMask(r.netmask))
        net.mask = vlwire::ipv4Text(r.netmask);
    const std::uint8_t(*const optional[])[4] = { &r.gateway, &r.dns1, &r.dns2 };
    std::string* const texts[] = { &net.gateway, &net.dns1, &net.dns2 };
    for (int i = 0; i < 3; ++i)
        if (!dhcp || !isZero(*optional[i]))
            *texts[i] = isZero(*optional[i]) ? std::string() : vlwire::ipv4Text(*optional[i]);
    net.mediaPort = std::uint16_t(r.media_port);
    net.webPort = std::uint16_t(r.web_port);
    return true;
}

const std::set<int>& ptzCommands()
{
    static const std::set<int> known = { VLNET_PTZ_UP, VLNET_PTZ_DOWN, VLNET_PTZ_LEFT, VLNET_PTZ_RIGHT,
        VLNET_PTZ_UP_LEFT, VLNET_PTZ_UP_RIGHT, VLNET_PTZ_DOWN_LEFT, VLNET_PTZ_DOWN_RIGHT, VLNET_PTZ_ZOOM_IN,
        VLNET_PTZ_ZOOM_OUT, VLNET_PTZ_FOCUS_NEAR, VLNET_PTZ_FOCUS_FAR, VLNET_PTZ_IRIS_OPEN,
        VLNET_PTZ_IRIS_CLOSE, VLNET_PTZ_AUTO_SCAN, VLNET_PTZ_CRUISE, VLNET_PTZ_SET_CRUISE,
        VLNET_PTZ_CALL_CRUISE, VLNET_PTZ_SET_PRESET, VLNET_PTZ_CLEAR_PRESET, VLNET_PTZ_CALL_PRESET,
        VLNET_PTZ_RESTORE, VLNET_PTZ_ZOOM_POSITION, VLNET_PTZ_FOCUS_POSITION, VLNET_PTZ_ZOOM_STEP,
        VLNET_PTZ_FOCUS_STEP, VLNET_PTZ_AUTO_FOCUS, VLNET_PTZ_REFRESH, VLNET_PTZ_PRIVACY_MODE };
    return known;
}

} // namespace

std::int32_t networkChange(DeviceStore& store, int id, const std::string& nonce,
    const std::vector<std::uint8_t>& payload, Json::Value& note)
{
    VLNET_NEW_DEV_INFO record;
    constexpr std::size_t kUserSlot = sizeof record.user;
    if (payload.size() < kUserSlot)
        return noted(note, vlwire::kBadRequest, "no user slot");
    const char* slot = reinterpret_cast<const char*>(payload.data());
    const std::string user = slotText(slot, kUserSlot);
    note["user"] = user;

    bool activated = false;
    std::optional<User> found;
    std::string mac;
    Network net;
    store.read(id, [&](const Device& d) {
        activated = d.activated;
        if (const User* u = d.findUser(user))
            found = *u;
        mac = d.mac;
        net = d.net;
    });
    if (!activated || !found || !found->enabled || found->password.empty())
        return noted(note, vlwire::kRefused, !activated ? "not activated" : "no such user");
    const std::string_view sealed(
        reinterpret_cast<const char*>(payload.data()) + kUserSlot, payload.size() - kUserSlot);
    const auto opened = vlwire::openRecord(nonce, found->password, sealed);
    note["opened"] = opened.has_value();
    if (!opened)
        return noted(note, vlwire::kRefused, "the record does not open with the user's password");
    if (opened->size() != sizeof record)
        return noted(note, vlwire::kBadRequest, "a record of " + std::to_string(opened->size()) + " bytes");
    std::memcpy(&record, opened->data(), sizeof record);
    noteRecord(record, note);
    // The record names its account itself; it must be the one whose
    // password sealed it.
    if (std::memcmp(record.user, slot, kUserSlot) != 0
        || slotText(record.password, sizeof record.password) != found->password)
        return noted(note, vlwire::kRefused, "the record's credentials differ");
    const std::string recordMac = slotText(record.mac_addr, sizeof record.mac_addr);
    if (!recordMac.empty() && macDigits(recordMac) != macDigits(mac))
        return noted(note, vlwire::kRefused, "the record names another device");
    if (!found->rights.settings)
        return noted(note, vlwire::kNoRight, "the user may not change settings");
    std::string why;
    if (!settingsOf(record, net, why) || !store.setNetwork(id, net, &why))
        return noted(note, vlwire::kBadRequest, why);
    return noted(note, vlwire::kOk);
}

std::int32_t ptzControl(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note)
{
    VLNET_PTZ_CONTROL control;
    if (payload.size() != 4 + sizeof control)
        return noted(note, vlwire::kBadRequest, "a request of " + std::to_string(payload.size()) + " bytes");
    const int command = std::int32_t(vlwire::getU32(payload.data()));
    std::memcpy(&control, payload.data() + 4, sizeof control);
    note["command"] = command;
    note["channel"] = control.channel;
    note["action"] = control.action;
    Json::Value words(Json::arrayValue);
    for (std::size_t at = 4; at < payload.size(); at += 4)
        words.append(std::int32_t(vlwire::getU32(payload.data() + at)));
    note["words"] = words;
    note["record"] = vlhex::to_hex(payload.data() + 4, sizeof control);
    if (!ptzCommands().count(command))
        return noted(note, vlwire::kUnsupported, "unknown PTZ command");
    const Access a = accessOf(store, id, user);
    if (control.channel < 0 || control.channel >= a.channels)
        return noted(note, vlwire::kBadRequest, "no such channel");
    if (!a.user || !a.rights.ptz)
        return noted(note, vlwire::kNoRight, "the user may not move PTZ");
    return noted(note, vlwire::kOk);
}

std::int32_t capture(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note, std::vector<std::uint8_t>& picture)
{
    if (payload.size() != 8)
        return noted(note, vlwire::kBadRequest, "a request of " + std::to_string(payload.size()) + " bytes");
    const std::uint32_t channel = vlwire::getU32(payload.data());
    note["channel"] = channel;
    note["picture_format"] = vlwire::getU32(payload.data() + 4);
    const Access a = accessOf(store, id, user);
    if (channel >= std::uint32_t(a.channels))
        return noted(note, vlwire::kBadRequest, "no such channel");
    if (!a.user || !a.rights.preview)
        return noted(note, vlwire::kNoRight, "the user may not see the channel");
    picture = snapshotJpeg(int(channel));
    if (picture.empty())
        return noted(note, vlwire::kUnsupported, "no picture");
    note["size"] = Json::UInt(picture.size());
    return noted(note, vlwire::kOk);
}

std::int32_t setParam(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note)
{
    return writeParam(store, id, user, payload, note);
}

} // namespace devsim
