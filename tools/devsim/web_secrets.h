#pragma once
// The secrets of devsim's web interface: the transfer keys a client asks
// for before it proves its password again or sends a new one, the check of
// what it sends with them, and the device's password rules.
//
//   "/API/Maintenance/TransKey/Get"  (session) and
//   "/API/Login/TransKey/Get"        (no session: a new device hands out keys
//                                     before its first password)
//       {"data":{"type":["base_salt","base_x_public"]}} -> "Key_lists", one
//       entry per type asked for, in the order asked: {"type", "key", "seq"}
//       and for a salt "iter". A salt is 16 bytes on a camera, 32 on a
//       recorder (Base64); an X25519 key is "0" and the Base64 of a fresh
//       32-byte public key. Each entry's "seq" is used once: the first
//       request that names it uses it up, whatever the outcome, and it
//       expires after `keyLifeMs`.
//   "/API/AccountRules/Get"          (session) the password rules
//                                     (password_rules.h)
//
// Every JSON request that reaches a handler (or a canned answer) is looked
// at first: a "base_secondary_authentication" in its "data" is checked
// against the current password of the session's user ("admin" while the
// device checks no sessions), a "base_enc_password" is opened with the
// key of its "seq" and its password checked against the rules. The outcome
// goes to the handler (WebCall::secrets) and to the received entry:
// `secondary_auth` and `enc_password` ("ok" or why not), `password` and
// `password_hex` (the opened password, even when a rule refused it).
//
// Threads: handlers run on the web server's threads; the keys are guarded by
// their own mutex.
#include "log.h"
#include "multicast/envelope.h"
#include "store.h"
#include "web_server.h"

#include <chrono>
#include <cstdint>
#include <json/value.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace devsim
{

class WebSecrets
{
public:
    static constexpr int kKeyLifeMs = 60000;
    static constexpr int kSaltIterations = 1000;
    // Keys a device keeps at once; asking for more forgets the oldest.
    static constexpr std::size_t kMaxKeys = 64;
    // Types one request may ask for.
    static constexpr unsigned kMaxTypes = 4;

    WebSecrets(DeviceStore& store, EventLog& log, int keyLifeMs = kKeyLifeMs);
    ~WebSecrets();
    WebSecrets(const WebSecrets&) = delete;
    WebSecrets& operator=(const WebSecrets&) = delete;

    // Adds the paths above and the look at every request to `web` (before
    // it starts).
    void addTo(WebServer& web);

    // The parts, for tests without a network.
    // "Key_lists" for the "type" array of a request's "data"; false with a
    // result text ("invalid_param") when it is no array of 1 to kMaxTypes
    // known types.
    bool issue(int device, const Json::Value& types, Json::Value* keyLists, std::string* error);
    // "ok", "wrong", "unknown_seq", "expired", "malformed", "no_user".
    std::string checkSecondaryAuth(int device, const std::string& user, const Json::Value& object);
    // "ok", "unknown_seq", "expired", "malformed", "not_opened", or the name
    // of the rule the password breaks (passwordCheckName); `password` gets
    // what was opened.
    std::string openPassword(
        int device, const std::string& user, const Json::Value& object, std::string* password);
    // Both of the above for the secret objects of a request.
    void inspect(WebCall& call);

private:
    using Clock = std::chrono::steady_clock;
    struct Key {
        bool salt = false; // else an X25519 key
        std::string saltBytes;
        int iterations = 0;
        std::shared_ptr<vlsdk::x25519_key_pair> pair;
        Clock::time_point issued {};
    };
    // Takes key `seq` of the device (it is used up); a result text when
    // there is none of that kind or it expired.
    bool take(int device, const Json::Value& seq, bool salt, Key* key, std::string* why);

    DeviceStore& m_store;
    EventLog& m_log;
    const int m_keyLifeMs;
    std::mutex m_lock; // guards the members below
    std::map<int, std::map<std::int64_t, Key>> m_keys; // by device and seq
    std::map<int, std::int64_t> m_lastSeq; // by device
    std::shared_ptr<bool> m_alive;
};

} // namespace devsim
