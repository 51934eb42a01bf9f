#include "multicast/envelope.h"

#include <climits>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

namespace vlsdk
{

namespace
{

struct pkey_free {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
};
struct pkey_ctx_free {
    void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
};
struct cipher_ctx_free {
    void operator()(EVP_CIPHER_CTX* p) const { EVP_CIPHER_CTX_free(p); }
};
struct kdf_free {
    void operator()(EVP_KDF* p) const { EVP_KDF_free(p); }
};
struct kdf_ctx_free {
    void operator()(EVP_KDF_CTX* p) const { EVP_KDF_CTX_free(p); }
};
using pkey_ptr = std::unique_ptr<EVP_PKEY, pkey_free>;
using pkey_ctx_ptr = std::unique_ptr<EVP_PKEY_CTX, pkey_ctx_free>;
using cipher_ctx_ptr = std::unique_ptr<EVP_CIPHER_CTX, cipher_ctx_free>;
using kdf_ptr = std::unique_ptr<EVP_KDF, kdf_free>;
using kdf_ctx_ptr = std::unique_ptr<EVP_KDF_CTX, kdf_ctx_free>;

// Key material is wiped when it goes out of scope.
struct secret_string {
    std::string value;
    ~secret_string()
    {
        if (!value.empty())
            OPENSSL_cleanse(value.data(), value.size());
    }
};

const unsigned char* bytes(std::string_view s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

unsigned char* bytes(std::string& s)
{
    return reinterpret_cast<unsigned char*>(s.data());
}

constexpr std::string_view kKeyInfo = "expand key";
// The devices derive the IV from both labels in a row, not from "expand iv"
// alone. It is given to HKDF as one piece: some OpenSSL 3.0 releases replace
// the info instead of appending to it when it arrives in pieces.
constexpr std::string_view kIvInfo = "expand keyexpand iv";

// HKDF-SHA-256: with a salt, extract and expand; without one (null salt),
// expand only, the secret standing for the pseudorandom key.
std::optional<std::string> hkdf(
    std::string_view secret, const std::string_view* salt, std::string_view info, std::size_t length)
{
    if (secret.empty())
        return std::nullopt;
    kdf_ptr kdf(EVP_KDF_fetch(nullptr, "HKDF", nullptr));
    if (!kdf)
        return std::nullopt;
    kdf_ctx_ptr ctx(EVP_KDF_CTX_new(kdf.get()));
    if (!ctx)
        return std::nullopt;
    int mode = salt ? EVP_KDF_HKDF_MODE_EXTRACT_AND_EXPAND : EVP_KDF_HKDF_MODE_EXPAND_ONLY;
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_int(OSSL_KDF_PARAM_MODE, &mode),
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(
            OSSL_KDF_PARAM_KEY, const_cast<char*>(secret.data()), secret.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, const_cast<char*>(info.data()), info.size()),
        salt ? OSSL_PARAM_construct_octet_string(
            OSSL_KDF_PARAM_SALT, const_cast<char*>(salt->data()), salt->size())
             : OSSL_PARAM_construct_end(),
        OSSL_PARAM_construct_end(),
    };
    std::string out(length, '\0');
    if (EVP_KDF_derive(ctx.get(), bytes(out), out.size(), params) != 1) {
        OPENSSL_cleanse(out.data(), out.size());
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> hkdf_expand(std::string_view secret, std::string_view info, std::size_t length)
{
    return hkdf(secret, nullptr, info, length);
}

bool is_all_zero(std::string_view s)
{
    unsigned char acc = 0;
    for (char c : s)
        acc |= static_cast<unsigned char>(c);
    return acc == 0;
}

} // namespace

// ---- key pair -------------------------------------------------------------

x25519_key_pair::~x25519_key_pair()
{
    reset();
}

x25519_key_pair::x25519_key_pair(x25519_key_pair&& other) noexcept
    : m_key(other.m_key)
    , m_blob(std::move(other.m_blob))
{
    other.m_key = nullptr;
    other.m_blob.clear();
}

x25519_key_pair& x25519_key_pair::operator=(x25519_key_pair&& other) noexcept
{
    if (this != &other) {
        reset();
        m_key = other.m_key;
        m_blob = std::move(other.m_blob);
        other.m_key = nullptr;
        other.m_blob.clear();
    }
    return *this;
}

void x25519_key_pair::reset()
{
    EVP_PKEY_free(m_key);
    m_key = nullptr;
    m_blob.clear();
}

bool x25519_key_pair::adopt(EVP_PKEY* key)
{
    pkey_ptr owned(key);
    reset();
    if (!owned)
        return false;
    std::string blob(kKeyBlobSize, '\0');
    blob[0] = static_cast<char>(kKeyBlobMarker);
    std::size_t length = kPublicKeySize;
    if (EVP_PKEY_get_raw_public_key(owned.get(), bytes(blob) + 1, &length) != 1 || length != kPublicKeySize)
        return false;
    m_key = owned.release();
    m_blob = std::move(blob);
    return true;
}

bool x25519_key_pair::make()
{
    return adopt(EVP_PKEY_Q_keygen(nullptr, nullptr, "X25519"));
}

bool x25519_key_pair::set_private_key(std::string_view raw_private_key)
{
    if (raw_private_key.size() != kPublicKeySize) {
        reset();
        return false;
    }
    return adopt(EVP_PKEY_new_raw_private_key(
        EVP_PKEY_X25519, nullptr, bytes(raw_private_key), raw_private_key.size()));
}

std::string x25519_key_pair::public_key() const
{
    return m_blob.empty() ? std::string() : m_blob.substr(1, kPublicKeySize);
}

std::optional<std::string> public_key_of_blob(std::string_view key_blob)
{
    if (key_blob.size() < kKeyBlobSize)
        return std::nullopt;
    return std::string(key_blob.substr(1, kPublicKeySize));
}

std::optional<std::string> reply_public_key(std::string_view reply_key_blob, std::string_view sender_key_blob)
{
    return public_key_of_blob(reply_key_blob.empty() ? sender_key_blob : reply_key_blob);
}

// ---- derivation -----------------------------------------------------------

namespace envelope_detail
{

std::optional<std::string> shared_secret(const x25519_key_pair& own, std::string_view peer_public_key)
{
    if (own.empty() || peer_public_key.size() != kPublicKeySize)
        return std::nullopt;
    pkey_ptr peer(EVP_PKEY_new_raw_public_key(
        EVP_PKEY_X25519, nullptr, bytes(peer_public_key), peer_public_key.size()));
    if (!peer)
        return std::nullopt;
    pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_pkey(nullptr, own.key(), nullptr));
    if (!ctx || EVP_PKEY_derive_init(ctx.get()) != 1 || EVP_PKEY_derive_set_peer(ctx.get(), peer.get()) != 1)
        return std::nullopt;
    std::size_t length = 0;
    if (EVP_PKEY_derive(ctx.get(), nullptr, &length) != 1 || length != kPublicKeySize)
        return std::nullopt;
    std::string secret(length, '\0');
    if (EVP_PKEY_derive(ctx.get(), bytes(secret), &length) != 1 || length != kPublicKeySize
        || is_all_zero(secret)) {
        // A low-order peer key yields the all-zero secret, which anyone can
        // compute; it must never become a key.
        OPENSSL_cleanse(secret.data(), secret.size());
        return std::nullopt;
    }
    return secret;
}

std::optional<std::string> derive_key(std::string_view secret)
{
    return hkdf_expand(secret, kKeyInfo, 32);
}

std::optional<std::string> derive_iv(std::string_view secret)
{
    return hkdf_expand(secret, kIvInfo, kEnvelopeIvSize);
}

} // namespace envelope_detail

// ---- AES-256-GCM ------------------------------------------------------------

namespace
{

// Ciphertext and tag of plaintext under key and iv, laid out as the envelope
// holds them: marker | ciphertext | iv | tag.
std::optional<std::string> gcm_seal(std::string_view key, std::string_view iv, std::string_view plaintext)
{
    if (plaintext.size() > static_cast<std::size_t>(INT_MAX) - kEnvelopeOverhead)
        return std::nullopt;
    const std::size_t n = plaintext.size();
    std::string envelope(n + kEnvelopeOverhead, '\0');
    envelope[0] = static_cast<char>(kKeyBlobMarker);
    unsigned char* out = bytes(envelope);

    cipher_ctx_ptr ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    int final_length = 0;
    if (!ctx || EVP_EncryptInit_ex2(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kEnvelopeIvSize), nullptr)
            != 1
        || EVP_EncryptInit_ex2(ctx.get(), nullptr, bytes(key), bytes(iv), nullptr) != 1
        || EVP_EncryptUpdate(ctx.get(), out + 1, &length, bytes(plaintext), static_cast<int>(n)) != 1
        || EVP_EncryptFinal_ex(ctx.get(), out + 1 + length, &final_length) != 1
        || static_cast<std::size_t>(length + final_length) != n
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kEnvelopeTagSize),
               out + 1 + n + kEnvelopeIvSize)
            != 1)
        return std::nullopt;
    envelope.replace(1 + n, kEnvelopeIvSize, iv);
    return envelope;
}

// The plaintext of an envelope whose length was checked, under key; nothing
// when the tag does not verify.
std::optional<std::string> gcm_open(std::string_view key, std::string_view envelope)
{
    const std::size_t n = envelope.size() - kEnvelopeOverhead;
    const std::string_view ciphertext = envelope.substr(1, n);
    std::string iv(envelope.substr(1 + n, kEnvelopeIvSize));
    std::string tag(envelope.substr(1 + n + kEnvelopeIvSize, kEnvelopeTagSize));
    std::string plaintext(n, '\0');

    cipher_ctx_ptr ctx(EVP_CIPHER_CTX_new());
    int length = 0;
    int final_length = 0;
    if (!ctx || EVP_DecryptInit_ex2(ctx.get(), EVP_aes_256_gcm(), nullptr, nullptr, nullptr) != 1
        || EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kEnvelopeIvSize), nullptr)
            != 1
        || EVP_DecryptInit_ex2(ctx.get(), nullptr, bytes(key), bytes(iv), nullptr) != 1
        || EVP_DecryptUpdate(ctx.get(), bytes(plaintext), &length, bytes(ciphertext), static_cast<int>(n))
            != 1
        || EVP_CIPHER_CTX_ctrl(
               ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kEnvelopeTagSize), tag.data())
            != 1
        || EVP_DecryptFinal_ex(ctx.get(), bytes(plaintext) + length, &final_length) != 1
        || static_cast<std::size_t>(length + final_length) != n) {
        // Nothing of an unauthenticated plaintext leaves this function.
        OPENSSL_cleanse(plaintext.data(), plaintext.size());
        return std::nullopt;
    }
    return plaintext;
}

bool envelope_size_ok(std::string_view envelope)
{
    return envelope.size() >= kEnvelopeOverhead && envelope.size() <= static_cast<std::size_t>(INT_MAX);
}

} // namespace

// ---- seal and open --------------------------------------------------------

namespace
{

// The AES key agreed between own and the peer, and with `iv` the IV too;
// false when the agreement or a derivation fails.
bool agree(const x25519_key_pair& own, std::string_view peer_public_key, secret_string& key, std::string* iv)
{
    auto secret = envelope_detail::shared_secret(own, peer_public_key);
    if (!secret)
        return false;
    secret_string s { std::move(*secret) };
    auto derived_key = envelope_detail::derive_key(s.value);
    if (!derived_key)
        return false;
    key.value = std::move(*derived_key);
    if (!iv)
        return true;
    auto derived_iv = envelope_detail::derive_iv(s.value);
    if (!derived_iv)
        return false;
    *iv = std::move(*derived_iv);
    return true;
}

} // namespace

std::optional<std::string> seal_envelope(
    const x25519_key_pair& own, std::string_view peer_public_key, std::string_view plaintext)
{
    if (plaintext.size() > kMaxSealPlaintext)
        return std::nullopt;
    secret_string key;
    std::string iv;
    if (!agree(own, peer_public_key, key, &iv))
        return std::nullopt;
    return gcm_seal(key.value, iv, plaintext);
}

std::optional<std::string> open_envelope(
    const x25519_key_pair& own, std::string_view peer_public_key, std::string_view envelope)
{
    secret_string key;
    if (!envelope_size_ok(envelope) || !agree(own, peer_public_key, key, nullptr))
        return std::nullopt;
    return gcm_open(key.value, envelope);
}

// ---- sealing under a shared key -------------------------------------------

std::optional<std::string> derive_shared_key(
    std::string_view secret, std::string_view salt, std::string_view info)
{
    return hkdf(secret, &salt, info, kSharedKeySize);
}

std::optional<std::string> seal_with_key(std::string_view key, std::string_view plaintext)
{
    if (key.size() != kSharedKeySize)
        return std::nullopt;
    // A fresh IV for every envelope: one key may seal many.
    std::string iv(kEnvelopeIvSize, '\0');
    if (RAND_bytes(bytes(iv), static_cast<int>(iv.size())) != 1)
        return std::nullopt;
    return gcm_seal(key, iv, plaintext);
}

std::optional<std::string> open_with_key(std::string_view key, std::string_view envelope)
{
    if (key.size() != kSharedKeySize || !envelope_size_ok(envelope))
        return std::nullopt;
    return gcm_open(key, envelope);
}

std::optional<std::string> sha256(std::string_view data)
{
    std::string digest(32, '\0');
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), bytes(digest), &length, EVP_sha256(), nullptr) != 1
        || length != 32)
        return std::nullopt;
    return digest;
}

// ---- secrets of the device web interface ------------------------------------

std::optional<web_sealed> seal_web_secret(std::string_view device_public_key, std::string_view plaintext)
{
    x25519_key_pair own;
    if (!own.make())
        return std::nullopt;
    auto envelope = seal_envelope(own, device_public_key, plaintext);
    if (!envelope)
        return std::nullopt;
    // The web form is the envelope without its marker byte.
    return web_sealed { own.public_key(), envelope->substr(1) };
}

std::optional<std::string> open_web_secret(
    const x25519_key_pair& own, std::string_view peer_public_key, std::string_view sealed)
{
    if (sealed.size() < kWebSealedOverhead || sealed.size() >= static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    std::string envelope;
    envelope.reserve(sealed.size() + 1);
    envelope.push_back(static_cast<char>(kKeyBlobMarker));
    envelope.append(sealed);
    return open_envelope(own, peer_public_key, envelope);
}

std::optional<std::string> pbkdf2_sha256(
    std::string_view password, std::string_view salt, int iterations, std::size_t length)
{
    if (salt.empty() || iterations < 1 || length == 0 || length > kPbkdf2MaxLength
        || password.size() > static_cast<std::size_t>(INT_MAX)
        || salt.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    std::string out(length, '\0');
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), bytes(salt),
            static_cast<int>(salt.size()), iterations, EVP_sha256(), static_cast<int>(length), bytes(out))
        != 1) {
        OPENSSL_cleanse(out.data(), out.size());
        return std::nullopt;
    }
    return out;
}

} // namespace vlsdk
