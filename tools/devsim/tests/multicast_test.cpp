// The device side of the multicast discovery without a network: what a
// simulated device answers and what a request changes on it, with a clock
// the test moves (nonces expire).
#include "generate.h"
#include "multicast/datagram.h"
#include "multicast/envelope.h"
#include "multicast_responder.h"
#include "simulator.h"
#include "store.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace devsim;
using namespace std::chrono;

namespace
{

class MulticastDevice : public ::testing::Test
{
protected:
    MulticastDevice()
        : quiet(std::fopen("/dev/null", "w"))
        , log(quiet)
        , responder(store, log, [this] { return now; })
    {
        GenerateOptions o;
        o.inactivePercent = 0;
        for (int n = 0; n < 2; ++n)
            store.add(generateDevice(n, o));
        EXPECT_TRUE(engine.make());
    }
    ~MulticastDevice() override { std::fclose(quiet); }

    vlsdk::x25519_key_pair deviceKeys(int id)
    {
        vlsdk::x25519_key_pair k;
        store.read(id, [&](const Device& d) {
            k.set_private_key(std::string(reinterpret_cast<const char*>(d.keys.privateKey.data()), 32));
        });
        return k;
    }
    std::string devId(int id)
    {
        std::string out;
        store.read(
            id, [&](const Device& d) { out.assign(reinterpret_cast<const char*>(d.devId.data()), 16); });
        return out;
    }

    // A request datagram carrying `inner` for device `id`.
    std::string request(int id, const multicast::DecRequest& inner)
    {
        multicast::Multicast m;
        m.set_pub_key(engine.blob());
        auto* pack = m.mutable_request()->add_pack_requests();
        pack->set_dev_id(devId(id));
        pack->set_enc_data(
            *vlsdk::seal_envelope(engine, deviceKeys(id).public_key(), inner.SerializeAsString()));
        return vlsdk::encode_datagram(m);
    }

    // The one answer of device `id`, opened.
    multicast::DecReply answer(int id, const std::string& datagram)
    {
        auto answers = responder.handle(datagram, { id }, { "v4", "192.168.0.2:5000", "239.255.255.250" });
        multicast::DecReply reply;
        EXPECT_EQ(answers.size(), 1u);
        if (answers.size() != 1)
            return reply;
        multicast::Multicast m;
        EXPECT_EQ(vlsdk::decode_datagram(answers[0].datagram, m), vlsdk::datagram_status::ok);
        EXPECT_EQ(m.pub_key(), deviceKeys(id).blob()); // the device's own, stable key blob
        auto plain
            = vlsdk::open_envelope(engine, *vlsdk::public_key_of_blob(m.pub_key()), m.reply().enc_data());
        EXPECT_TRUE(plain && reply.ParseFromString(*plain));
        EXPECT_EQ(reply.dev_id(), devId(id));
        return reply;
    }

    multicast::DecRequest update(const std::string& password, const std::string& nonce, const std::string& ip)
    {
        multicast::DecRequest r;
        auto* u = r.mutable_update_info();
        u->set_username("admin");
        u->set_pwd_hash(*vlsdk::sha256(password + nonce));
        u->set_nonce(nonce);
        if (!ip.empty()) {
            u->mutable_info()->set_wired_ip(ip);
            u->add_update_fields(14);
        }
        return r;
    }

    std::string ipOf(int id)
    {
        std::string ip;
        store.read(id, [&](const Device& d) { ip = d.net.ip; });
        return ip;
    }

    std::FILE* quiet;
    EventLog log;
    DeviceStore store;
    steady_clock::time_point now = steady_clock::now();
    MulticastResponder responder;
    vlsdk::x25519_key_pair engine;
};

} // namespace

TEST_F(MulticastDevice, NonceIsFreshShortLivedAndUsedOnce)
{
    responder.setNonceValidityMs(1000);
    // No nonce: need auth, and a nonce for the next try.
    auto first = answer(0, request(0, update("Admin_123", "", "192.168.5.5")));
    EXPECT_EQ(first.update_info().result(), 3);
    const std::string nonce = first.update_info().nonce();
    ASSERT_EQ(nonce.size(), 16u);
    EXPECT_NE(answer(0, request(0, update("Admin_123", "", ""))).update_info().nonce(), nonce);

    // A nonce the device never gave: need auth again.
    EXPECT_EQ(
        answer(0, request(0, update("Admin_123", "0123456789abcdef", "192.168.5.5"))).update_info().result(),
        3);
    // The right one with a wrong password: check error, and the nonce is spent.
    EXPECT_EQ(answer(0, request(0, update("Wrong_123", nonce, "192.168.5.5"))).update_info().result(), 2);
    EXPECT_EQ(answer(0, request(0, update("Admin_123", nonce, "192.168.5.5"))).update_info().result(), 3);
    EXPECT_EQ(ipOf(0), "192.168.1.10");

    // A fresh nonce used in time moves the device; used again it is unknown.
    const std::string fresh = answer(0, request(0, update("Admin_123", "", ""))).update_info().nonce();
    now += milliseconds(900);
    auto done = answer(0, request(0, update("Admin_123", fresh, "192.168.5.5")));
    EXPECT_EQ(done.update_info().result(), 0);
    EXPECT_TRUE(done.update_info().nonce().empty());
    EXPECT_EQ(ipOf(0), "192.168.5.5");
    EXPECT_EQ(answer(0, request(0, update("Admin_123", fresh, "192.168.5.6"))).update_info().result(), 3);

    // An expired nonce is unknown.
    const std::string late = answer(0, request(0, update("Admin_123", "", ""))).update_info().nonce();
    now += milliseconds(1001);
    EXPECT_EQ(answer(0, request(0, update("Admin_123", late, "192.168.5.7"))).update_info().result(), 3);
    EXPECT_EQ(ipOf(0), "192.168.5.5");
}

TEST_F(MulticastDevice, LegacyUpdateAndRefusedSettings)
{
    MulticastSwitches legacy;
    legacy.legacyUpdate = true;
    responder.setSwitches(1, legacy);
    auto reply = answer(1, request(1, update("Admin_123", "", "192.168.6.6")));
    EXPECT_EQ(reply.update_info().result(), 0);
    EXPECT_TRUE(reply.update_info().nonce().empty());
    EXPECT_EQ(ipOf(1), "192.168.6.6");
    EXPECT_EQ(answer(1, request(1, update("Wrong_123", "", "192.168.6.7"))).update_info().result(), 2);

    // Settings the device cannot take: not an address (4), a field it does not know (1).
    EXPECT_EQ(answer(1, request(1, update("Admin_123", "", "300.1.1.1"))).update_info().result(), 4);
    auto unknown = update("Admin_123", "", "");
    unknown.mutable_update_info()->add_update_fields(8); // channel count
    EXPECT_EQ(answer(1, request(1, unknown)).update_info().result(), 1);
    auto port = update("Admin_123", "", "");
    port.mutable_update_info()->add_update_fields(19); // web port 0
    EXPECT_EQ(answer(1, request(1, port)).update_info().result(), 4);
    EXPECT_EQ(ipOf(1), "192.168.6.6");
}

TEST_F(MulticastDevice, AnswersOnlyWhatIsForIt)
{
    // A request without an entry for the device, or not ours, gets no answer.
    EXPECT_TRUE(responder.handle(request(0, update("Admin_123", "", "")), { 1 }, {}).empty());
    std::string bad = request(0, update("Admin_123", "", ""));
    bad[1] = char(0xAB);
    EXPECT_TRUE(responder.handle(bad, { 0 }, {}).empty());
    // With no_answer the device is silent, but it noted the request.
    MulticastSwitches quiet;
    quiet.noAnswer = true;
    responder.setSwitches(0, quiet);
    EXPECT_TRUE(responder.handle(request(0, update("Admin_123", "", "")), { 0 }, {}).empty());
    std::size_t noted = 0;
    store.read(0, [&](const Device& d) { noted = d.received.size(); });
    EXPECT_EQ(noted, 1u);
}

TEST_F(MulticastDevice, SwitchesFromTheControlChannel)
{
    MulticastSwitches s;
    std::string why;
    Json::Value v;
    v["duplicate"] = true;
    v["late_ms"] = 250;
    v["bad_tag"] = true;
    ASSERT_TRUE(applySwitchesJson(s, v, &why)) << why;
    EXPECT_EQ(s.copies, 2);
    EXPECT_EQ(s.lateMs, 250);
    EXPECT_TRUE(s.badTag);
    v = Json::Value();
    v["late_ms"] = -1;
    EXPECT_FALSE(applySwitchesJson(s, v, &why));
    v = Json::Value();
    v["oversize"] = 1;
    EXPECT_FALSE(applySwitchesJson(s, v, &why));

    Options o;
    std::string error;
    bool help = false;
    const char* argv[] = { "devsim", "--generate", "2", "--multicast-port", "0", "--nonce-seconds", "5" };
    ASSERT_TRUE(parseOptions(7, const_cast<char**>(argv), &o, &error, &help)) << error;
    EXPECT_EQ(o.multicastPort, 0);
    EXPECT_EQ(o.nonceMs, 5000);
}
