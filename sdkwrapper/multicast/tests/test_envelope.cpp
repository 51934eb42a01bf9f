// Envelope encryption, checked against answers computed apart from the code
// under test: the RFC 7748 key agreement vectors, HKDF-Expand recomputed as
// one plain HMAC-SHA-256 block, and AES-256-GCM run directly.
#include "hex.h"
#include "multicast/envelope.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <string>

using namespace vlsdk;

namespace
{

// RFC 7748, section 6.1.
const std::string kAlicePrivate = unhex("77076d0a7318a57d3c16c17251b26645df4c2f87ebc0992ab177fba51db92c2a");
const std::string kAlicePublic = unhex("8520f0098930a754748b7ddcb43ef75a0dbf3a0d26381af4eba4a98eaa9b4e6a");
const std::string kBobPrivate = unhex("5dab087e624a8a4b79e17f8b83800ee66f3bb1292618b6fd1c2f8b27ff88e0eb");
const std::string kBobPublic = unhex("de9edb7d7b7dc1b4d35b61c2ece435373f8343c85b78674dadfc7e146f882b4f");
const std::string kShared = unhex("4a5d9d5ba4ce2de1728e3bf480350f25e07e21c947d19e3376f09b3c1e161742");

x25519_key_pair pair_of(const std::string& raw_private)
{
    x25519_key_pair p;
    EXPECT_TRUE(p.set_private_key(raw_private));
    return p;
}

// One block of HKDF-Expand: HMAC-SHA-256(secret, info || 0x01).
std::string hmac_block(const std::string& secret, const std::string& info)
{
    const std::string message = info + '\x01';
    unsigned char out[EVP_MAX_MD_SIZE];
    size_t length = 0;
    EXPECT_NE(
        EVP_Q_mac(nullptr, "HMAC", nullptr, "SHA256", nullptr, secret.data(), secret.size(),
            reinterpret_cast<const unsigned char*>(message.data()), message.size(), out, sizeof out, &length),
        nullptr);
    return std::string(reinterpret_cast<char*>(out), length);
}

std::string gcm_decrypt(const std::string& key, const std::string& iv, const std::string& ciphertext,
    const std::string& tag, bool* ok)
{
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::string out(ciphertext.size() + 16, '\0');
    int n = 0, f = 0;
    auto* o = reinterpret_cast<unsigned char*>(out.data());
    *ok = EVP_DecryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1
        && EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(iv.size()), nullptr) == 1
        && EVP_DecryptInit_ex(ctx, nullptr, nullptr, reinterpret_cast<const unsigned char*>(key.data()),
               reinterpret_cast<const unsigned char*>(iv.data()))
            == 1
        && EVP_DecryptUpdate(ctx, o, &n, reinterpret_cast<const unsigned char*>(ciphertext.data()),
               static_cast<int>(ciphertext.size()))
            == 1
        && EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, 16, const_cast<char*>(tag.data())) == 1
        && EVP_DecryptFinal_ex(ctx, o + n, &f) == 1;
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(n + f));
    return out;
}

} // namespace

TEST(MulticastKeys, KeyBlobAndKeyAgreement)
{
    const x25519_key_pair alice = pair_of(kAlicePrivate);
    EXPECT_EQ(hex(alice.blob()), "b0" + hex(kAlicePublic));
    EXPECT_EQ(hex(alice.public_key()), hex(kAlicePublic));

    const x25519_key_pair bob = pair_of(kBobPrivate);
    EXPECT_EQ(hex(envelope_detail::shared_secret(alice, kBobPublic).value_or("")), hex(kShared));
    EXPECT_EQ(hex(envelope_detail::shared_secret(bob, kAlicePublic).value_or("")), hex(kShared));
}

TEST(MulticastKeys, FreshPairsDiffer)
{
    x25519_key_pair p;
    EXPECT_TRUE(p.empty());
    EXPECT_TRUE(p.blob().empty());
    ASSERT_TRUE(p.make());
    const std::string first = p.blob();
    ASSERT_EQ(first.size(), kKeyBlobSize);
    EXPECT_EQ(static_cast<unsigned char>(first[0]), 0xB0);
    ASSERT_TRUE(p.make());
    EXPECT_EQ(p.blob().size(), kKeyBlobSize);
    EXPECT_NE(p.blob(), first);

    x25519_key_pair moved(std::move(p));
    EXPECT_TRUE(p.empty());
    EXPECT_FALSE(moved.empty());
    moved.reset();
    EXPECT_TRUE(moved.empty());
    EXPECT_TRUE(moved.blob().empty());

    EXPECT_FALSE(moved.set_private_key(kAlicePrivate.substr(1)));
    EXPECT_TRUE(moved.empty());
}

TEST(MulticastKeys, PublicKeyOfBlob)
{
    const std::string blob = "\x01" + kBobPublic; // the marker is not tested
    EXPECT_EQ(public_key_of_blob(blob).value_or(""), kBobPublic);
    EXPECT_EQ(public_key_of_blob(blob + "tail").value_or(""), kBobPublic);
    EXPECT_FALSE(public_key_of_blob(blob.substr(0, 32)));
    EXPECT_FALSE(public_key_of_blob(""));
}

TEST(MulticastKeys, ReplyKeyChoice)
{
    const std::string sender = "\xb0" + kAlicePublic;
    const std::string own = "\xb0" + kBobPublic;
    EXPECT_EQ(reply_public_key(own, sender).value_or(""), kBobPublic) << "the reply's own blob wins";
    EXPECT_EQ(reply_public_key("", sender).value_or(""), kAlicePublic);
    EXPECT_FALSE(reply_public_key(own.substr(0, 20), sender)) << "a short own blob drops the reply";
    EXPECT_FALSE(reply_public_key("", sender.substr(0, 32)));
    EXPECT_FALSE(reply_public_key("", ""));
}

TEST(MulticastKeys, DerivationKnownAnswers)
{
    // Recomputed with plain HMAC, and once more outside OpenSSL.
    const auto key = envelope_detail::derive_key(kShared);
    const auto iv = envelope_detail::derive_iv(kShared);
    ASSERT_TRUE(key && iv);
    EXPECT_EQ(hex(*key), hex(hmac_block(kShared, "expand key")));
    EXPECT_EQ(hex(*iv), hex(hmac_block(kShared, "expand keyexpand iv").substr(0, 12)));
    EXPECT_EQ(hex(*key), "c7a68b7feeec9b2a074bb83a6a20fcfb0f856971de9d78551ed6a7bd7e924ca2");
    EXPECT_EQ(hex(*iv), "1121e2d6cb7516777b7dcadc");
    // The IV label alone is what a fresh context would give; devices do not use it.
    EXPECT_NE(hex(*iv), hex(hmac_block(kShared, "expand iv").substr(0, 12)));

    // Several secrets, same relation.
    for (const std::string& secret : { std::string(32, '\x5a'), unhex("00ff") + std::string(30, '\x10') }) {
        EXPECT_EQ(envelope_detail::derive_key(secret).value_or(""), hmac_block(secret, "expand key"));
        EXPECT_EQ(envelope_detail::derive_iv(secret).value_or(""),
            hmac_block(secret, "expand keyexpand iv").substr(0, 12));
    }
}

TEST(MulticastEnvelope, SealKnownAnswer)
{
    const x25519_key_pair alice = pair_of(kAlicePrivate);
    const auto envelope = seal_envelope(alice, kBobPublic, "hello");
    ASSERT_TRUE(envelope);
    // Computed apart with an independent AES-GCM implementation.
    EXPECT_EQ(hex(*envelope), "b08c460225a71121e2d6cb7516777b7dcadc69cf3172bd60f04fadad72a3b276b916");

    // And decrypted here without the code under test.
    bool ok = false;
    const std::string& e = *envelope;
    const size_t n = e.size() - 29;
    EXPECT_EQ(gcm_decrypt(hmac_block(kShared, "expand key"), e.substr(1 + n, 12), e.substr(1, n),
                  e.substr(1 + n + 12), &ok),
        "hello");
    EXPECT_TRUE(ok);
}

TEST(MulticastEnvelope, RoundTripBothWays)
{
    x25519_key_pair engine, device;
    ASSERT_TRUE(engine.make());
    ASSERT_TRUE(device.make());
    for (size_t size : { 0, 1, 15, 16, 17, 300, 1023, 1024 }) {
        std::string plaintext(size, '\0');
        for (size_t i = 0; i < size; ++i)
            plaintext[i] = static_cast<char>(i * 7 + size);
        const auto to_device = seal_envelope(engine, device.public_key(), plaintext);
        ASSERT_TRUE(to_device) << size;
        EXPECT_EQ(to_device->size(), size + 29);
        EXPECT_EQ(open_envelope(device, engine.public_key(), *to_device).value_or("?"), plaintext) << size;

        const auto to_engine = seal_envelope(device, engine.public_key(), plaintext);
        ASSERT_TRUE(to_engine);
        EXPECT_EQ(open_envelope(engine, device.public_key(), *to_engine).value_or("?"), plaintext) << size;
    }
    EXPECT_EQ(seal_envelope(engine, device.public_key(), "")->size(), 29u);
    EXPECT_EQ(seal_envelope(engine, device.public_key(), std::string(1024, 'x'))->size(), 1053u);
}

TEST(MulticastEnvelope, OpeningRefusesWhatDoesNotVerify)
{
    const x25519_key_pair alice = pair_of(kAlicePrivate);
    const x25519_key_pair bob = pair_of(kBobPrivate);
    const std::string good = *seal_envelope(alice, kBobPublic, "a reply of some length");
    ASSERT_TRUE(open_envelope(bob, kAlicePublic, good));

    auto flipped = [&](size_t at) {
        std::string e = good;
        e[at] = static_cast<char>(e[at] ^ 0x01);
        return e;
    };
    const size_t n = good.size() - 29;
    EXPECT_FALSE(open_envelope(bob, kAlicePublic, flipped(good.size() - 1))) << "tag";
    EXPECT_FALSE(open_envelope(bob, kAlicePublic, flipped(1))) << "ciphertext";
    EXPECT_FALSE(open_envelope(bob, kAlicePublic, flipped(1 + n))) << "iv";
    EXPECT_FALSE(open_envelope(bob, kAlicePublic, good.substr(0, good.size() - 1))) << "cut";
    EXPECT_FALSE(open_envelope(bob, kAlicePublic, good + "x")) << "grown";
    // The marker byte is not part of what is authenticated.
    EXPECT_EQ(open_envelope(bob, kAlicePublic, flipped(0)).value_or(""), "a reply of some length");

    x25519_key_pair other;
    ASSERT_TRUE(other.make());
    EXPECT_FALSE(open_envelope(other, kAlicePublic, good)) << "not sealed to this pair";
    EXPECT_FALSE(open_envelope(bob, other.public_key(), good)) << "not sealed by this peer";
    EXPECT_FALSE(open_envelope(x25519_key_pair(), kAlicePublic, good)) << "no key pair yet";
}

TEST(MulticastEnvelope, ShortEnvelopesAndKeysAreRefused)
{
    // Read out of bounds would show in the sanitizer build.
    const x25519_key_pair bob = pair_of(kBobPrivate);
    const std::string sealed_empty = *seal_envelope(pair_of(kAlicePrivate), kBobPublic, "");
    ASSERT_EQ(sealed_empty.size(), 29u);
    EXPECT_EQ(open_envelope(bob, kAlicePublic, sealed_empty).value_or("?"), "");
    for (size_t size = 0; size < 29; ++size) {
        const std::string shorter(sealed_empty.data(), size); // exact-size heap copy
        EXPECT_FALSE(open_envelope(bob, kAlicePublic, shorter)) << size;
    }
    for (size_t size : { 0, 1, 31, 33, 64 }) {
        const std::string key = (kAlicePublic + kAlicePublic).substr(0, size);
        EXPECT_FALSE(open_envelope(bob, key, sealed_empty)) << size;
        EXPECT_FALSE(seal_envelope(bob, key, "x")) << size;
    }
}

TEST(MulticastEnvelope, SealingRefusesKeysOthersCouldCompute)
{
    x25519_key_pair engine;
    ASSERT_TRUE(engine.make());
    // A "key" that decodes to 32 bytes has no public key in it at all.
    EXPECT_FALSE(public_key_of_blob(std::string(32, '\xb0')));
    // Low-order points give the all-zero secret.
    const std::string low_order[] = {
        std::string(32, '\0'),
        unhex("0100000000000000000000000000000000000000000000000000000000000000"),
        unhex("e0eb7a7c3b41b8ae1656e3faf19fc46ada098deb9c32b1fd866205165f49b800"),
    };
    for (const std::string& key : low_order) {
        EXPECT_FALSE(seal_envelope(engine, key, "first password")) << hex(key);
        EXPECT_FALSE(open_envelope(engine, key, std::string(40, 'x'))) << hex(key);
    }
    EXPECT_FALSE(seal_envelope(x25519_key_pair(), kBobPublic, "x")) << "no key pair";
    EXPECT_FALSE(seal_envelope(engine, kBobPublic, std::string(1025, 'x'))) << "too long for the device";
}

TEST(MulticastDigest, Sha256)
{
    EXPECT_EQ(
        hex(sha256("").value_or("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(
        hex(sha256("abc").value_or("")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string with_nul = std::string("pw") + '\0' + "nonce";
    EXPECT_NE(sha256(with_nul), sha256("pw"));
    EXPECT_EQ(sha256(with_nul)->size(), 32u);
}

TEST(SharedKeyEnvelope, KeyDerivationIsHkdfSha256)
{
    // RFC 5869, test case 1: the first 32 bytes of its output.
    const std::string ikm(22, '\x0b');
    const std::string salt = unhex("000102030405060708090a0b0c");
    const std::string info = unhex("f0f1f2f3f4f5f6f7f8f9");
    EXPECT_EQ(hex(derive_shared_key(ikm, salt, info).value_or("")),
        "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf");
    EXPECT_FALSE(derive_shared_key("", salt, info)) << "no secret, no key";
}

TEST(SharedKeyEnvelope, SealsUnderAFreshIvAndOpensOnlyWithTheKey)
{
    const std::string key = *derive_shared_key("password", "nonce", "label");
    const std::string record(744, 'r');
    const auto a = seal_with_key(key, record);
    const auto b = seal_with_key(key, record);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->size(), record.size() + kEnvelopeOverhead);
    EXPECT_EQ(static_cast<unsigned char>((*a)[0]), kKeyBlobMarker);
    EXPECT_NE(*a, *b) << "every envelope has its own IV";
    EXPECT_EQ(open_with_key(key, *a).value_or(""), record);
    EXPECT_EQ(open_with_key(key, *b).value_or(""), record);

    // Laid out as the envelope: ciphertext, IV, tag, readable by plain GCM.
    bool ok = false;
    const std::string ciphertext = a->substr(1, record.size());
    const std::string iv = a->substr(1 + record.size(), 12);
    const std::string tag = a->substr(1 + record.size() + 12, 16);
    EXPECT_EQ(gcm_decrypt(key, iv, ciphertext, tag, &ok), record);
    EXPECT_TRUE(ok);

    const std::string other = *derive_shared_key("passwore", "nonce", "label");
    EXPECT_FALSE(open_with_key(other, *a));
    std::string flipped = *a;
    flipped[5] ^= 1;
    EXPECT_FALSE(open_with_key(key, flipped));
    EXPECT_FALSE(open_with_key(key, a->substr(0, 28)));
    EXPECT_FALSE(seal_with_key(key.substr(1), record)) << "a key of 31 bytes";
    EXPECT_FALSE(open_with_key(key.substr(1), *a));
    EXPECT_EQ(open_with_key(key, *seal_with_key(key, "")).value_or("x"), "");
}

TEST(WebSecrets, Pbkdf2KnownAnswers)
{
    // Widely published PBKDF2-HMAC-SHA-256 vectors (RFC 7914, section 11, for
    // the 64-byte one); recomputed with Python's hashlib.
    struct Case {
        std::string password;
        std::string salt;
        int iterations;
        std::size_t length;
        const char* expected;
    };
    const Case cases[] = {
        { "password", "salt", 1, 32, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b" },
        { "password", "salt", 4096, 32, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a" },
        { "passwd", "salt", 1, 64,
            "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
            "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783" },
        { "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 40,
            "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9" },
        // A device's salt of 16 bytes gives 16 bytes.
        { "Admin_123", unhex("000102030405060708090a0b0c0d0e0f"), 1000, 16,
            "5774da1c951e5d25494c457a6eeea5c2" },
    };
    for (const Case& c : cases) {
        const auto dk = pbkdf2_sha256(c.password, c.salt, c.iterations, c.length);
        ASSERT_TRUE(dk) << c.expected;
        EXPECT_EQ(hex(*dk), c.expected);
    }
}

TEST(WebSecrets, Pbkdf2RefusesWhatGivesNoKey)
{
    EXPECT_FALSE(pbkdf2_sha256("p", "", 1000, 16)); // no salt
    EXPECT_FALSE(pbkdf2_sha256("p", "salt", 0, 16));
    EXPECT_FALSE(pbkdf2_sha256("p", "salt", -5, 16));
    EXPECT_FALSE(pbkdf2_sha256("p", "salt", 1, 0));
    EXPECT_FALSE(pbkdf2_sha256("p", "salt", 1, kPbkdf2MaxLength + 1));
    EXPECT_EQ(pbkdf2_sha256("", "salt", 1, 16).value_or("").size(), 16u); // an empty password is a password
}

TEST(WebSecrets, SealedPasswordIsTheEnvelopeWithoutItsMarker)
{
    x25519_key_pair device;
    ASSERT_TRUE(device.make());
    for (std::size_t size : { 0, 1, 8, 32, 127, 1024 }) {
        const std::string password(size, 'p');
        const auto sealed = seal_web_secret(device.public_key(), password);
        ASSERT_TRUE(sealed) << size;
        EXPECT_EQ(sealed->public_key.size(), kPublicKeySize);
        EXPECT_EQ(sealed->sealed.size(), size + kWebSealedOverhead) << size;
        EXPECT_EQ(open_web_secret(device, sealed->public_key, sealed->sealed).value_or("?"), password);
        // What the device would open as a multicast envelope: marker, then
        // exactly these bytes.
        EXPECT_EQ(open_envelope(device, sealed->public_key, '\xb0' + sealed->sealed).value_or("?"), password);
    }
    // Every seal takes a fresh key pair.
    EXPECT_NE(seal_web_secret(device.public_key(), "x")->public_key,
        seal_web_secret(device.public_key(), "x")->public_key);
}

TEST(WebSecrets, SealedPasswordKnownAnswerFromTheDeviceSide)
{
    // Bob's key pair stands for the device, Alice's for the sender's fresh
    // pair: the bytes after the marker of the multicast envelope's known
    // answer, opened as a web secret.
    const x25519_key_pair bob = pair_of(kBobPrivate);
    const std::string sealed = unhex("8c460225a71121e2d6cb7516777b7dcadc69cf3172bd60f04fadad72a3b276b916");
    EXPECT_EQ(open_web_secret(bob, kAlicePublic, sealed).value_or("?"), "hello");
}

TEST(WebSecrets, OpeningRefusesBrokenInput)
{
    x25519_key_pair device, other;
    ASSERT_TRUE(device.make());
    ASSERT_TRUE(other.make());
    const auto sealed = seal_web_secret(device.public_key(), "Secret_123");
    ASSERT_TRUE(sealed);
    std::string flipped = sealed->sealed;
    flipped[0] = static_cast<char>(flipped[0] ^ 1);
    EXPECT_FALSE(open_web_secret(device, sealed->public_key, flipped)); // tag fails
    EXPECT_FALSE(open_web_secret(other, sealed->public_key, sealed->sealed)); // another device
    EXPECT_FALSE(open_web_secret(device, sealed->public_key.substr(1), sealed->sealed)); // 31-byte key
    EXPECT_FALSE(
        open_web_secret(device, sealed->public_key, sealed->sealed.substr(0, kWebSealedOverhead - 1)));
    EXPECT_FALSE(open_web_secret(device, std::string(32, '\0'), sealed->sealed)); // low-order key
    EXPECT_FALSE(seal_web_secret(device.public_key().substr(0, 31), "x"));
    EXPECT_FALSE(seal_web_secret(std::string(32, '\0'), "x"));
    EXPECT_FALSE(seal_web_secret(device.public_key(), std::string(kMaxSealPlaintext + 1, 'x')));
}
