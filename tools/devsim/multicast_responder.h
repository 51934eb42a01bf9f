#pragma once
// The device side of the multicast discovery protocol, without sockets: what
// each simulated device answers to one request datagram, and what the
// request changes on it (first password, network settings).
//
// Every device answers a search (unless its manufacturer is not asked for),
// and handles the entry of an activation or update that carries its dev id,
// as a real device does:
//   - a reply is a DecReply sealed to the request's key blob, in a Multicast
//     that carries the device's own stable key blob;
//   - activation results: 0 success, 1 not support (client type), 2 check
//     error (no SetPassword inside), 3 key error (cannot be opened),
//     4 rule not met, 5 weak password, 6 already activated, 7 save failed,
//     8 the camera password breaks the rules;
//   - update: a request without a nonce, or with one that is unknown, used or
//     expired, is answered "need auth" (3) with a fresh nonce; with a valid
//     nonce the digest SHA-256(password | nonce) of an enabled admin is
//     checked (2 check error when wrong), then the listed fields are applied
//     (0), 1 for a field the device cannot set, 4 when the settings are
//     refused. A nonce is used once and lives nonceValidityMs. In the legacy
//     mode the device takes SHA-256(password) with no nonce at all.
// Fault switches shape the answers (MulticastSwitches).
//
// Not thread-safe: devsim calls it on its one I/O thread.
#include "log.h"
#include "multicast/multicast.pb.h"
#include "store.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <json/value.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace devsim
{

// Fault switches of one device's multicast side (control command
// "multicast").
struct MulticastSwitches {
    bool noAnswer = false; // reads requests, answers nothing
    bool wrongPrefix = false; // answers start 0x11 0xAB
    bool oversize = false; // answers padded to 1500 bytes (the padding after the reply)
    bool badTag = false; // the envelope's tag is corrupted
    int lateMs = 0; // answers leave this much later (on top of the request's delay)
    int copies = 1; // each answer is sent this many times
    bool badUtf8 = false; // the search answer's device name is not UTF-8
    bool legacyUpdate = false; // updates without nonces
    bool saveFail = false; // activation 7, update 4
};

Json::Value switchesToJson(const MulticastSwitches& s);
// Reads the switches present in `v` into `s`. False with a message on a bad value.
bool applySwitchesJson(MulticastSwitches& s, const Json::Value& v, std::string* error);

// One answer to send: from the device's own address, after delayMs.
struct MulticastAnswer {
    int device = 0;
    std::string datagram;
    int delayMs = 0;
    int copies = 1;
};

// Where a request came from and went to, for the device's received log.
struct MulticastOrigin {
    std::string family; // "v4" or "v6"
    std::string peer; // "addr:port" / "[addr]:port"
    std::string to; // destination address
};

class MulticastResponder
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    MulticastResponder(DeviceStore& store, EventLog& log, Clock clock = &std::chrono::steady_clock::now);

    // The answers of the devices `targets` to one datagram (prefix included).
    std::vector<MulticastAnswer> handle(
        const std::string& datagram, const std::vector<int>& targets, const MulticastOrigin& origin);

    const MulticastSwitches& switches(int id) const;
    void setSwitches(int id, const MulticastSwitches& s);

    void setNonceValidityMs(int ms) { m_nonceMs = ms; }
    int nonceValidityMs() const { return m_nonceMs; }

    // Numbers of the DeviceInfo fields an update may set.
    static bool settable(std::uint32_t field);

private:
    struct Nonce {
        std::string value;
        std::chrono::steady_clock::time_point expires;
    };
    // Settings of a device that the device record does not keep.
    struct Extra {
        std::string wirelessIp;
        std::string netCard = "eth0";
        bool cloudSwitch = false;
    };

    // The DecReply of a search, or false when the device stays silent.
    bool search(int id, const multicast::Multicast::SearchDeviceRequest& request, Json::Value& note,
        multicast::DecReply& reply);
    std::int32_t activate(int id, const multicast::DecRequest& request, bool opened, Json::Value& note);
    std::int32_t update(
        int id, const multicast::DecRequest& request, bool opened, Json::Value& note, std::string* nonce);
    std::int32_t applyUpdate(int id, const multicast::DecRequest::UpdateInfo& update, Json::Value& note);
    std::string issueNonce(int id);
    bool takeNonce(int id, const std::string& nonce);
    // The answer datagram of device `id` (switches applied); empty when it
    // cannot be sealed to engineKey.
    std::string wrap(int id, const std::string& engineKey, multicast::DecReply& reply);

    DeviceStore& m_store;
    EventLog& m_log;
    Clock m_clock;
    int m_nonceMs = 30000;
    std::map<int, MulticastSwitches> m_switches;
    std::map<int, std::vector<Nonce>> m_nonces;
    std::map<int, Extra> m_extra;
    std::mt19937 m_random;
};

} // namespace devsim
