#include "multicast_responder.h"

#include "common/hex.h"
#include "common/json.h"
#include "multicast/datagram.h"
#include "multicast/envelope.h"
#include "password_rules.h"

#include <algorithm>
#include <arpa/inet.h>

namespace devsim
{

namespace
{

std::string bytesOf(const std::array<std::uint8_t, 16>& id)
{
    return std::string(reinterpret_cast<const char*>(id.data()), id.size());
}

int categoryOf(Kind kind)
{
    return kind == Kind::Ipc ? 0 : (kind == Kind::Nvr ? 1 : 2);
}

bool isIp4(const std::string& text)
{
    in_addr a {};
    return inet_pton(AF_INET, text.c_str(), &a) == 1;
}

// Activation results of the device's password rules: 4 a rule not met, 5
// a well-known weak password.
int activationRefusal(const std::string& password)
{
    switch (checkPassword(password, "admin")) {
    case PasswordCheck::Ok:
        return 0;
    case PasswordCheck::Weak:
        return 5;
    default:
        return 4;
    }
}

// Wire bytes of a varint.
std::string varint(std::uint64_t v)
{
    std::string out;
    while (v >= 0x80) {
        out.push_back(char((v & 0x7F) | 0x80));
        v >>= 7;
    }
    out.push_back(char(v));
    return out;
}

constexpr std::size_t kOversize = 1500;

} // namespace

Json::Value switchesToJson(const MulticastSwitches& s)
{
    Json::Value o(Json::objectValue);
    o["no_answer"] = s.noAnswer;
    o["wrong_prefix"] = s.wrongPrefix;
    o["oversize"] = s.oversize;
    o["bad_tag"] = s.badTag;
    o["late_ms"] = s.lateMs;
    o["duplicate"] = s.copies;
    o["bad_utf8"] = s.badUtf8;
    o["legacy_update"] = s.legacyUpdate;
    o["save_fail"] = s.saveFail;
    return o;
}

bool applySwitchesJson(MulticastSwitches& s, const Json::Value& v, std::string* error)
{
    MulticastSwitches copy = s;
    vljson::reader r(v, vljson::policy::exact);
    // "duplicate": true sends every answer twice; a number, that many times.
    if (const Json::Value* duplicate = r.get("duplicate"); duplicate && duplicate->isBool())
        copy.copies = duplicate->asBool() ? 2 : 1;
    else
        r.read("duplicate", copy.copies, 1, 10);
    r.read("no_answer", copy.noAnswer);
    r.read("wrong_prefix", copy.wrongPrefix);
    r.read("oversize", copy.oversize);
    r.read("bad_tag", copy.badTag);
    r.read("late_ms", copy.lateMs, 0, 600000);
    r.read("bad_utf8", copy.badUtf8);
    r.read("legacy_update", copy.legacyUpdate);
    r.read("save_fail", copy.saveFail);
    if (!r.ok()) {
        if (error)
            *error = r.error();
        return false;
    }
    s = copy;
    return true;
}

MulticastResponder::MulticastResponder(DeviceStore& store, EventLog& log, Clock clock)
    : m_store(store)
    , m_log(log)
    , m_clock(std::move(clock))
    , m_random(std::random_device {}())
{
}

const MulticastSwitches& MulticastResponder::switches(int id) const
{
    static const MulticastSwitches none;
    auto it = m_switches.find(id);
    return it == m_switches.end() ? none : it->second;
}

void MulticastResponder::setSwitches(int id, const MulticastSwitches& s)
{
    m_switches[id] = s;
}

bool MulticastResponder::settable(std::uint32_t field)
{
    switch (field) {
    case 1:
    case 3:
    case 6:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 21:
    case 25:
    case 32:
    case 33:
    case 100:
        return true;
    default:
        return false;
    }
}

std::vector<MulticastAnswer> MulticastResponder::handle(
    const std::string& datagram, const std::vector<int>& targets, const MulticastOrigin& origin)
{
    std::vector<MulticastAnswer> out;
    multicast::Multicast request;
    // A device reads nothing from a datagram that is not whole and ours.
    if (vlsdk::decode_datagram(datagram, request) != vlsdk::datagram_status::ok)
        return out;
    const std::string& engineKey = request.pub_key();
    const auto now = std::chrono::system_clock::now().time_since_epoch();

    auto note = [&](const char* what) {
        Json::Value n(Json::objectValue);
        n["family"] = origin.family;
        n["peer"] = origin.peer;
        n["to"] = origin.to;
        n["size"] = Json::UInt64(datagram.size());
        n["key"] = vlhex::to_hex(engineKey);
        n["what"] = what;
        return n;
    };
    auto file = [&](int id, const char* what, const Json::Value& detail) {
        Received r;
        r.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
        r.transport = "multicast";
        r.what = what;
        r.detail = detail;
        r.detail.removeMember("what");
        m_store.noteReceived(id, std::move(r));
    };
    auto spread = [&](int id, std::uint32_t delay) {
        int ms = delay == 0
            ? 0
            : int(std::uniform_int_distribution<std::uint32_t>(0, std::min(delay, 60000u))(m_random));
        return ms + switches(id).lateMs;
    };

    for (int id : targets) {
        bool online = false, drop = false;
        std::string devId;
        m_store.read(id, [&](const Device& d) {
            online = d.online();
            drop = d.faults.dropReplies;
            devId = bytesOf(d.devId);
        });
        if (!online)
            continue;
        const MulticastSwitches& sw = switches(id);
        const bool silent = drop || sw.noAnswer;
        multicast::DecReply reply;
        std::uint32_t delay = 0;
        Json::Value detail;
        const char* what = "";

        if (request.content_case() == multicast::Multicast::kSearchDeviceRequest) {
            const auto& search = request.search_device_request();
            what = "SEARCH";
            detail = note(what);
            delay = search.delay();
            if (!this->search(id, search, detail, reply) || silent) {
                detail["answered"] = false;
                file(id, what, detail);
                continue;
            }
        } else if (request.content_case() == multicast::Multicast::kRequest) {
            const auto& packs = request.request().pack_requests();
            auto pack = std::find_if(
                packs.begin(), packs.end(), [&](const auto& p) { return p.dev_id() == devId; });
            if (pack == packs.end())
                continue;
            delay = request.request().delay();
            std::optional<std::string> plain;
            vlsdk::x25519_key_pair own;
            m_store.read(id, [&](const Device& d) {
                own.set_private_key(std::string(reinterpret_cast<const char*>(d.keys.privateKey.data()), 32));
            });
            if (auto peer = vlsdk::public_key_of_blob(engineKey))
                plain = vlsdk::open_envelope(own, *peer, pack->enc_data());
            multicast::DecRequest inner;
            const bool opened = plain && inner.ParseFromString(*plain);
            what = !opened                 ? "SEALED"
                : inner.has_set_password() ? "SET_PASSWORD"
                : inner.has_update_info()  ? "UPDATE_INFO"
                                           : "REQUEST";
            detail = note(what);
            detail["packs"] = packs.size();
            detail["opened"] = opened;
            if (silent) {
                detail["answered"] = false;
                file(id, what, detail);
                continue;
            }
            if (opened && inner.has_update_info()) {
                std::string nonce;
                const std::int32_t result = update(id, inner, true, detail, &nonce);
                reply.mutable_update_info()->set_result(result);
                reply.mutable_update_info()->set_nonce(nonce);
            } else {
                // What cannot be opened is answered as a key error of an
                // activation: the device cannot tell what it was.
                reply.mutable_set_password()->set_result(activate(id, inner, opened, detail));
            }
        } else {
            continue;
        }

        std::string answer = wrap(id, engineKey, reply);
        detail["answered"] = !answer.empty();
        if (answer.empty())
            detail["error"] = "the request's key blob is unusable";
        file(id, what, detail);
        if (!answer.empty())
            out.push_back({ id, std::move(answer), spread(id, delay), sw.copies });
    }
    return out;
}

bool MulticastResponder::search(int id, const multicast::Multicast::SearchDeviceRequest& request,
    Json::Value& note, multicast::DecReply& reply)
{
    note["must_understand"] = request.must_understand();
    note["delay"] = request.delay();
    Json::Value manufactures(Json::arrayValue);
    for (const auto& m : request.manufactures())
        manufactures.append(m);
    note["manufactures"] = manufactures;
    Json::Value values(Json::arrayValue);
    for (auto v : request.values())
        values.append(v);
    note["values"] = values;

    const Extra& extra = m_extra[id];
    bool wanted = true;
    m_store.read(id, [&](const Device& d) {
        if (request.manufactures_size() > 0
            && std::find(request.manufactures().begin(), request.manufactures().end(), d.manufacturer)
                == request.manufactures().end()) {
            wanted = false;
            return;
        }
        auto* found = reply.mutable_search_device();
        auto* info = found->mutable_info();
        info->set_dev_type(d.model);
        info->set_software_version(d.firmware);
        info->set_dev_name(d.name);
        info->set_mac(d.mac);
        info->set_phyname("eth0");
        info->set_manufacture(d.manufacturer);
        info->set_p2pid(d.p2pId);
        info->set_channel_num(std::uint32_t(d.channels.size()));
        info->set_analog_num(std::uint32_t(d.analogChannels));
        info->set_category(categoryOf(d.kind));
        info->set_activated(d.activated);
        info->set_wired_ip(d.net.ip);
        info->set_wired_mask(d.net.mask);
        info->set_wired_gw(d.net.gateway);
        info->set_wired_dns1(d.net.dns1);
        info->set_wired_dns2(d.net.dns2);
        info->set_web_port(d.net.webPort);
        info->set_wireless_ip(extra.wirelessIp);
        info->set_is_dhcp(d.net.dhcp);
        info->set_wired_connect(true);
        info->set_ip6_link_local(d.net.ipv6);
        info->set_sys_channel_num(std::uint32_t(d.channels.size()));
        info->set_product_code(d.productCode);
        info->set_sn(d.serial);
        info->set_net_card(extra.netCard);
        info->set_cloud_switch(extra.cloudSwitch);
        info->set_dev_data(d.hardware);
        info->set_input_pin_count(std::uint32_t(d.alarmIn));
        info->set_output_pin_count(std::uint32_t(d.alarmOut));
        info->set_support_two_way_talk(d.kind == Kind::Ipc ? 1 : 0);
        info->set_media_port(d.net.mediaPort);
        info->set_rtsp_port(d.net.rtspPort);
        found->add_ids(d.deviceId);
        auto* limit = found->mutable_dev_limit();
        limit->mutable_dev_name()->set_min_length(1);
        limit->mutable_dev_name()->set_max_length(32);
        limit->mutable_dev_name()->set_least_combine_number(1);
        limit->set_wired_ip(true);
        limit->set_wired_mask(true);
        limit->set_wired_gw(true);
        limit->set_wired_dns1(true);
        limit->set_wired_dns2(true);
        limit->set_is_dhcp(true);
        limit->mutable_web_port()->set_fixed_value(false);
    });
    if (!wanted)
        note["filtered"] = true;
    return wanted;
}

std::int32_t MulticastResponder::activate(
    int id, const multicast::DecRequest& request, bool opened, Json::Value& note)
{
    auto result = [&](std::int32_t code) {
        note["result"] = code;
        return code;
    };
    if (!opened)
        return result(3);
    if (!request.has_set_password())
        return result(2);
    const auto& set = request.set_password();
    note["password"] = set.password();
    note["client_type"] = set.client_type();
    note["sync_onvif"] = set.sync_onvif();
    note["is_sync_pwd"] = set.is_sync_pwd();
    note["conn_ipc_pwd"] = set.conn_ipc_pwd();
    bool activated = false;
    std::string ip;
    m_store.read(id, [&](const Device& d) {
        activated = d.activated;
        ip = d.net.ip;
    });
    if (activated)
        return result(6);
    if (set.client_type() != 0 && set.client_type() != 1)
        return result(1);
    if (int refused = activationRefusal(set.password()))
        return result(refused);
    if (!set.conn_ipc_pwd().empty() && activationRefusal(set.conn_ipc_pwd()))
        return result(8);
    if (switches(id).saveFail)
        return result(7);
    m_store.modify(id, [&](Device& d) {
        d.activated = true;
        User* admin = d.findUser("admin");
        if (!admin) {
            d.users.push_back(User {});
            admin = &d.users.back();
            admin->name = "admin";
            admin->admin = true;
        }
        admin->password = set.password();
    });
    m_log.device(id, ip, "activated over multicast");
    return result(0);
}

std::string MulticastResponder::issueNonce(int id)
{
    std::string nonce(16, '\0');
    for (auto& c : nonce)
        c = char(m_random());
    auto& book = m_nonces[id];
    // A device keeps a few outstanding nonces: each copy of a request (one per
    // socket of the client) gets one, and any of them may come back.
    if (book.size() >= 16)
        book.erase(book.begin());
    book.push_back({ nonce, m_clock() + std::chrono::milliseconds(m_nonceMs) });
    return nonce;
}

bool MulticastResponder::takeNonce(int id, const std::string& nonce)
{
    auto& book = m_nonces[id];
    const auto now = m_clock();
    book.erase(std::remove_if(book.begin(), book.end(), [&](const Nonce& n) { return n.expires <= now; }),
        book.end());
    auto it = std::find_if(book.begin(), book.end(), [&](const Nonce& n) { return n.value == nonce; });
    if (it == book.end())
        return false;
    book.erase(it);
    return true;
}

std::int32_t MulticastResponder::update(
    int id, const multicast::DecRequest& request, bool opened, Json::Value& note, std::string* nonceOut)
{
    auto result = [&](std::int32_t code) {
        note["result"] = code;
        if (!nonceOut->empty())
            note["nonce_issued"] = vlhex::to_hex(*nonceOut);
        return code;
    };
    if (!opened || !request.has_update_info())
        return result(2);
    const auto& update = request.update_info();
    note["username"] = update.username();
    note["pwd_hash"] = vlhex::to_hex(update.pwd_hash());
    note["nonce"] = vlhex::to_hex(update.nonce());
    Json::Value fields(Json::arrayValue);
    for (auto f : update.update_fields())
        fields.append(f);
    note["update_fields"] = fields;

    const bool legacy = switches(id).legacyUpdate;
    note["legacy"] = legacy;
    if (!legacy) {
        if (update.nonce().empty() || !takeNonce(id, update.nonce())) {
            *nonceOut = issueNonce(id);
            return result(3);
        }
    }
    bool allowed = false;
    m_store.read(id, [&](const Device& d) {
        const User* user = d.findUser(update.username());
        if (!user || !user->admin || !user->enabled)
            return;
        const auto expected = vlsdk::sha256(user->password + (legacy ? std::string() : update.nonce()));
        allowed = expected && *expected == update.pwd_hash();
    });
    if (!allowed)
        return result(2);
    return result(applyUpdate(id, update, note));
}

std::int32_t MulticastResponder::applyUpdate(
    int id, const multicast::DecRequest::UpdateInfo& update, Json::Value& note)
{
    const auto& info = update.info();
    Network net;
    std::string name, model, manufacturer, oldIp;
    m_store.read(id, [&](const Device& d) {
        net = d.net;
        name = d.name;
        model = d.model;
        manufacturer = d.manufacturer;
        oldIp = d.net.ip;
    });
    Extra extra = m_extra[id];
    bool netChanged = false;
    bool portsOk = true;
    Json::Value set(Json::objectValue);
    for (auto field : update.update_fields()) {
        if (!settable(field))
            return 1;
        switch (field) {
        case 3:
            name = info.dev_name();
            set["dev_name"] = name;
            break;
        case 1:
            model = info.dev_type();
            set["dev_type"] = model;
            break;
        case 6:
            manufacturer = info.manufacture();
            set["manufacture"] = manufacturer;
            break;
        case 25:
            net.ipv6 = info.ip6_link_local();
            set["ip6_link_local"] = net.ipv6;
            netChanged = true;
            break;
        case 21:
            net.dhcp = info.is_dhcp();
            net.pppoe = false; // the protocol knows DHCP and static alone
            set["is_dhcp"] = net.dhcp;
            netChanged = true;
            break;
        case 100:
            portsOk = portsOk && info.media_port() > 0 && info.media_port() <= 65535;
            net.mediaPort = std::uint16_t(info.media_port());
            set["media_port"] = info.media_port();
            netChanged = true;
            break;
        case 19:
            portsOk = portsOk && info.web_port() > 0 && info.web_port() <= 65535;
            net.webPort = std::uint16_t(info.web_port());
            set["web_port"] = info.web_port();
            netChanged = true;
            break;
        case 14:
            net.ip = info.wired_ip();
            set["wired_ip"] = net.ip;
            netChanged = true;
            break;
        case 15:
            net.mask = info.wired_mask();
            set["wired_mask"] = net.mask;
            portsOk = portsOk && isIp4(net.mask);
            netChanged = true;
            break;
        case 16:
            net.gateway = info.wired_gw();
            set["wired_gw"] = net.gateway;
            portsOk = portsOk && (net.gateway.empty() || isIp4(net.gateway));
            netChanged = true;
            break;
        case 17:
            net.dns1 = info.wired_dns1();
            set["wired_dns1"] = net.dns1;
            portsOk = portsOk && (net.dns1.empty() || isIp4(net.dns1));
            netChanged = true;
            break;
        case 18:
            net.dns2 = info.wired_dns2();
            set["wired_dns2"] = net.dns2;
            portsOk = portsOk && (net.dns2.empty() || isIp4(net.dns2));
            netChanged = true;
            break;
        case 20:
            extra.wirelessIp = info.wireless_ip();
            set["wireless_ip"] = extra.wirelessIp;
            break;
        case 32:
            extra.netCard = info.net_card();
            set["net_card"] = extra.netCard;
            break;
        case 33:
            extra.cloudSwitch = info.cloud_switch();
            set["cloud_switch"] = extra.cloudSwitch;
            break;
        }
    }
    note["info"] = set;
    if (!portsOk || switches(id).saveFail)
        return 4;
    if (netChanged) {
        std::string why;
        if (!m_store.setNetwork(id, net, &why)) {
            note["error"] = why;
            return 4;
        }
    }
    m_store.modify(id, [&](Device& d) {
        d.name = name;
        d.model = model;
        d.manufacturer = manufacturer;
    });
    m_extra[id] = extra;
    m_log.device(id, net.ip,
        "settings updated over multicast" + (netChanged ? " (was " + oldIp + ")" : std::string()));
    return 0;
}

std::string MulticastResponder::wrap(int id, const std::string& engineKey, multicast::DecReply& reply)
{
    const MulticastSwitches& sw = switches(id);
    vlsdk::x25519_key_pair own;
    m_store.read(id, [&](const Device& d) {
        reply.set_dev_id(bytesOf(d.devId));
        own.set_private_key(std::string(reinterpret_cast<const char*>(d.keys.privateKey.data()), 32));
    });
    if (sw.badUtf8 && reply.has_search_device())
        reply.mutable_search_device()->mutable_info()->mutable_dev_name()->append("\xFF\xFE");
    const auto peer = vlsdk::public_key_of_blob(engineKey);
    if (!peer || own.empty())
        return {};
    auto sealed = vlsdk::seal_envelope(own, *peer, reply.SerializeAsString());
    if (!sealed)
        return {};
    if (sw.badTag)
        sealed->back() = char(sealed->back() ^ 0x5A);
    multicast::Multicast message;
    message.set_pub_key(own.blob());
    message.mutable_reply()->set_enc_data(*sealed);
    std::string datagram = vlsdk::encode_datagram(message);
    if (sw.oversize && datagram.size() + 4 < kOversize) {
        // Padding in a field no reader knows, after the reply: the first
        // 1024 bytes still hold the whole reply.
        std::size_t pad = kOversize - datagram.size() - 1;
        pad -= varint(pad).size();
        datagram.push_back(char(6 << 3 | 2));
        datagram += varint(pad);
        datagram.append(pad, 'P');
    }
    if (sw.wrongPrefix)
        datagram[1] = char(0xAB);
    return datagram;
}

} // namespace devsim
