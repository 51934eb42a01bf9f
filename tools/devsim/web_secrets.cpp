#include "web_secrets.h"

#include "common/hex.h"
#include "common/json.h"
#include "multicast/base64.h"
#include "password_rules.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

namespace devsim
{

namespace
{

constexpr const char* kMaintenanceKeyPath = "/API/Maintenance/TransKey/Get";
constexpr const char* kLoginKeyPath = "/API/Login/TransKey/Get";
constexpr const char* kAccountRulesPath = "/API/AccountRules/Get";
constexpr const char* kSalt = "base_salt";
constexpr const char* kPublicKey = "base_x_public";
constexpr std::size_t kCameraSaltBytes = 16;
constexpr std::size_t kRecorderSaltBytes = 32;

// A secret compared in constant time.
bool sameSecret(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

// The text after the "0" that every text of "base_enc_password" begins with.
bool afterZero(const Json::Value& v, std::string* out)
{
    if (!v.isString())
        return false;
    const std::string text = v.asString();
    if (text.size() < 2 || text[0] != '0')
        return false;
    *out = text.substr(1);
    return true;
}

} // namespace

WebSecrets::WebSecrets(DeviceStore& store, EventLog& log, int keyLifeMs)
    : m_store(store)
    , m_log(log)
    , m_keyLifeMs(keyLifeMs)
    , m_alive(std::make_shared<bool>(true))
{
    std::weak_ptr<bool> alive = m_alive;
    m_store.subscribe([this, alive](const StoreEvent& e) {
        if (e.kind != StoreEvent::WentOffline || !alive.lock())
            return;
        // Keys live in the device's memory.
        std::lock_guard<std::mutex> hold(m_lock);
        m_keys.erase(e.id);
    });
}

WebSecrets::~WebSecrets()
{
    *m_alive = false;
}

void WebSecrets::addTo(WebServer& web)
{
    auto keys = [this](WebCall& c) {
        Json::Value lists;
        std::string error;
        if (!issue(c.device, vljson::member(vljson::member(c.json, "data"), "type"), &lists, &error))
            return WebAnswer::failure(error, 400);
        Json::Value data(Json::objectValue);
        data["Key_lists"] = lists;
        return WebAnswer::success(data);
    };
    WebPath maintenance;
    maintenance.handle = keys;
    web.addPath(kMaintenanceKeyPath, std::move(maintenance));
    WebPath login;
    login.needsSession = false;
    login.handle = keys;
    web.addPath(kLoginKeyPath, std::move(login));

    WebPath rules;
    rules.handle = [](WebCall&) {
        Json::Value data(Json::objectValue);
        data["password"] = accountRulesJson();
        return WebAnswer::success(data);
    };
    web.addPath(kAccountRulesPath, std::move(rules));

    web.setInspector([this](WebCall& c) { inspect(c); });
}

bool WebSecrets::issue(int device, const Json::Value& types, Json::Value* keyLists, std::string* error)
{
    if (!types.isArray() || types.empty() || types.size() > kMaxTypes) {
        *error = "invalid_param";
        return false;
    }
    for (const auto& t : types)
        if (!t.isString() || (t.asString() != kSalt && t.asString() != kPublicKey)) {
            *error = "invalid_param";
            return false;
        }
    bool recorder = false;
    if (!m_store.read(device, [&](const Device& d) { recorder = d.kind != Kind::Ipc; })) {
        *error = "invalid_param";
        return false;
    }

    *keyLists = Json::Value(Json::arrayValue);
    std::lock_guard<std::mutex> hold(m_lock);
    auto& keys = m_keys[device];
    const Clock::time_point now = Clock::now();
    for (auto it = keys.begin(); it != keys.end();)
        it = now - it->second.issued > std::chrono::milliseconds(m_keyLifeMs) ? keys.erase(it)
                                                                              : std::next(it);
    for (const auto& t : types) {
        Key key;
        key.issued = now;
        Json::Value entry(Json::objectValue);
        entry["type"] = t.asString();
        if (t.asString() == kSalt) {
            key.salt = true;
            key.saltBytes.assign(recorder ? kRecorderSaltBytes : kCameraSaltBytes, '\0');
            if (RAND_bytes(reinterpret_cast<unsigned char*>(key.saltBytes.data()), int(key.saltBytes.size()))
                != 1) {
                *error = "internal_error";
                return false;
            }
            key.iterations = kSaltIterations;
            entry["key"] = vlsdk::multicast_base64_encode(key.saltBytes);
            entry["iter"] = key.iterations;
        } else {
            key.pair = std::make_shared<vlsdk::x25519_key_pair>();
            if (!key.pair->make()) {
                *error = "internal_error";
                return false;
            }
            // One character that clients skip, then the key.
            entry["key"] = "0" + vlsdk::multicast_base64_encode(key.pair->public_key());
        }
        const std::int64_t seq = ++m_lastSeq[device];
        entry["seq"] = Json::Int64(seq);
        keys[seq] = std::move(key);
        while (keys.size() > kMaxKeys)
            keys.erase(keys.begin());
        keyLists->append(entry);
    }
    return true;
}

bool WebSecrets::take(int device, const Json::Value& seq, bool salt, Key* key, std::string* why)
{
    if (!seq.isInt64()) {
        *why = "malformed";
        return false;
    }
    std::lock_guard<std::mutex> hold(m_lock);
    auto d = m_keys.find(device);
    if (d == m_keys.end()) {
        *why = "unknown_seq";
        return false;
    }
    auto it = d->second.find(seq.asInt64());
    if (it == d->second.end()) {
        *why = "unknown_seq";
        return false;
    }
    *key = std::move(it->second);
    d->second.erase(it);
    if (key->salt != salt) {
        *why = "unknown_seq";
        return false;
    }
    if (Clock::now() - key->issued > std::chrono::milliseconds(m_keyLifeMs)) {
        *why = "expired";
        return false;
    }
    return true;
}

std::string WebSecrets::checkSecondaryAuth(int device, const std::string& user, const Json::Value& object)
{
    if (!object.isObject() || !object["cipher"].isString())
        return "malformed";
    Key key;
    std::string why;
    if (!take(device, object["seq"], true, &key, &why))
        return why;
    const std::string proof = vlsdk::multicast_base64_decode(object["cipher"].asString());
    if (proof.empty())
        return "malformed";
    std::optional<std::string> password;
    m_store.read(device, [&](const Device& d) {
        if (const User* u = d.findUser(user))
            password = u->password;
    });
    if (!password)
        return "no_user";
    // The proof is as long as the salt.
    auto expected = vlsdk::pbkdf2_sha256(*password, key.saltBytes, key.iterations, key.saltBytes.size());
    OPENSSL_cleanse(password->data(), password->size());
    const bool ok = expected && sameSecret(*expected, proof);
    if (expected)
        OPENSSL_cleanse(expected->data(), expected->size());
    return ok ? "ok" : "wrong";
}

std::string WebSecrets::openPassword(
    int device, const std::string& user, const Json::Value& object, std::string* password)
{
    std::string cipher, peer;
    if (!object.isObject() || !afterZero(object["cipher"], &cipher) || !afterZero(object["peer_key"], &peer))
        return "malformed";
    Key key;
    std::string why;
    if (!take(device, object["seq"], false, &key, &why))
        return why;
    const std::string peerKey = vlsdk::multicast_base64_decode(peer);
    const std::string sealed = vlsdk::multicast_base64_decode(cipher);
    if (peerKey.size() != vlsdk::kPublicKeySize || sealed.size() < vlsdk::kWebSealedOverhead)
        return "malformed";
    auto opened = vlsdk::open_web_secret(*key.pair, peerKey, sealed);
    if (!opened)
        return "not_opened";
    *password = std::move(*opened);
    return passwordCheckName(checkPassword(*password, user));
}

void WebSecrets::inspect(WebCall& c)
{
    const Json::Value& data = vljson::member(c.json, "data");
    if (!data.isObject())
        return;
    const std::string user = c.session ? c.session->user : std::string("admin");
    if (data.isMember("base_secondary_authentication")) {
        c.secrets.secondaryAuth = checkSecondaryAuth(c.device, user, data["base_secondary_authentication"]);
        c.note["secondary_auth"] = c.secrets.secondaryAuth;
    }
    if (data.isMember("base_enc_password")) {
        c.secrets.encPassword = openPassword(c.device, user, data["base_enc_password"], &c.secrets.password);
        c.note["enc_password"] = c.secrets.encPassword;
        if (!c.secrets.password.empty()) {
            // A simulator's note: tests check what arrived.
            c.note["password"] = vljson::valid_utf8(c.secrets.password);
            c.note["password_hex"] = vlhex::to_hex(c.secrets.password);
        }
    }
}

} // namespace devsim
