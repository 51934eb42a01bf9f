#pragma once
// Envelope encryption of the multicast discovery protocol.
//
// Every per-device payload is sealed with a key agreed between an X25519 key
// pair of the sender and the public key of the receiver:
//   shared secret = X25519(own private key, peer public key)
//   AES key       = HKDF-Expand-SHA-256(secret, "expand key", 32)
//   IV            = HKDF-Expand-SHA-256(secret, "expand keyexpand iv", 12)
//   envelope      = 0xB0 | AES-256-GCM ciphertext | IV (12) | tag (16)
// A public key travels as a 33-byte key blob: 0xB0 followed by the raw key.
// The same functions serve both directions (library and device).
//
// Binary values are std::string, as in the generated protobuf classes.
// None of this logs; the callers decide what a failure means to them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

typedef struct evp_pkey_st EVP_PKEY;

namespace vlsdk
{

constexpr unsigned char kKeyBlobMarker = 0xB0;
constexpr std::size_t kPublicKeySize = 32;
constexpr std::size_t kKeyBlobSize = 33;
constexpr std::size_t kEnvelopeIvSize = 12;
constexpr std::size_t kEnvelopeTagSize = 16;
// Marker, IV and tag: an empty plaintext seals to this many bytes.
constexpr std::size_t kEnvelopeOverhead = 1 + kEnvelopeIvSize + kEnvelopeTagSize;
// Devices read a sealed request through a 1024-byte buffer; a longer
// plaintext is refused rather than sent to be cut or overflow there.
constexpr std::size_t kMaxSealPlaintext = 1024;

// One X25519 key pair and its key blob. Move-only; owns its key object.
class x25519_key_pair
{
public:
    x25519_key_pair() = default;
    ~x25519_key_pair();
    x25519_key_pair(x25519_key_pair&& other) noexcept;
    x25519_key_pair& operator=(x25519_key_pair&& other) noexcept;
    x25519_key_pair(const x25519_key_pair&) = delete;
    x25519_key_pair& operator=(const x25519_key_pair&) = delete;

    // Makes a fresh key pair, replacing the one held. False (and empty) when
    // the key generation fails.
    bool make();
    // Takes the raw 32-byte private key (RFC 7748 encoding); for simulated
    // devices with stable keys and for tests. False (and empty) when the key
    // is not 32 bytes or cannot be imported.
    bool set_private_key(std::string_view raw_private_key);
    // Frees the key; the pair is empty afterwards.
    void reset();

    bool empty() const { return m_key == nullptr; }
    // The 33-byte key blob (0xB0 and the public key); empty while no key is held.
    const std::string& blob() const { return m_blob; }
    // The raw 32-byte public key; empty while no key is held.
    std::string public_key() const;
    // The key object, owned by this pair; null while empty.
    EVP_PKEY* key() const { return m_key; }

private:
    bool adopt(EVP_PKEY* key);

    EVP_PKEY* m_key = nullptr;
    std::string m_blob;
};

// The public key inside a key blob: bytes 1 to 32, whatever byte 0 holds.
// Nothing when the blob is shorter than 33 bytes.
std::optional<std::string> public_key_of_blob(std::string_view key_blob);

// The public key that opens a device's reply: from the key blob inside the
// reply when it carries a non-empty one, else from the key blob of the
// datagram. Nothing when the chosen blob is shorter than 33 bytes (the reply
// is then dropped like any other that cannot be opened).
std::optional<std::string> reply_public_key(
    std::string_view reply_key_blob, std::string_view sender_key_blob);

// Seals plaintext to the peer. Nothing when the pair is empty, the peer key is
// not 32 bytes, the key agreement fails (a low-order peer key gives no secret),
// the plaintext is longer than kMaxSealPlaintext, or any cipher step fails:
// a payload is never sent under a key that others could compute.
std::optional<std::string> seal_envelope(
    const x25519_key_pair& own, std::string_view peer_public_key, std::string_view plaintext);

// Opens an envelope sealed to own by the peer. Nothing when the pair is empty,
// the peer key is not 32 bytes, the envelope is shorter than
// kEnvelopeOverhead, the key agreement fails or the tag does not verify. The
// marker byte of the envelope is not tested.
std::optional<std::string> open_envelope(
    const x25519_key_pair& own, std::string_view peer_public_key, std::string_view envelope);

// Sealing under a key both ends already share, with no key agreement (a
// session's nonce and a user's password, which both the client and the
// device know):
//   key      = HKDF-SHA-256(secret, salt, info), extract and expand, 32 bytes
//   envelope = 0xB0 | AES-256-GCM ciphertext | IV (12, fresh and random for
//              every envelope, so one key may seal many) | tag (16)
constexpr std::size_t kSharedKeySize = 32;

// Nothing when the secret is empty or the derivation fails.
std::optional<std::string> derive_shared_key(
    std::string_view secret, std::string_view salt, std::string_view info);
// Nothing when the key is not kSharedKeySize bytes or a cipher step fails.
std::optional<std::string> seal_with_key(std::string_view key, std::string_view plaintext);
// Nothing when the key is not kSharedKeySize bytes, the envelope is shorter
// than kEnvelopeOverhead or the tag does not verify.
std::optional<std::string> open_with_key(std::string_view key, std::string_view envelope);

// SHA-256 of data (32 bytes); nothing only when the digest cannot run.
std::optional<std::string> sha256(std::string_view data);

// ---- Secrets of the device web interface ----------------------------------
//
// A device's web interface takes a new password sealed to an X25519 key it
// hands out, with the same agreement, derivation and cipher as the envelope
// above, but without the marker byte:
//   sealed = AES-256-GCM ciphertext | IV (12) | tag (16)
// and proves the login password again with PBKDF2 over a salt it hands out.
constexpr std::size_t kWebSealedOverhead = kEnvelopeIvSize + kEnvelopeTagSize;

struct web_sealed {
    std::string public_key; // the sender's fresh public key (32 bytes)
    std::string sealed; // ciphertext | IV | tag
};

// Seals plaintext to the device's public key under a fresh key pair of its
// own. Nothing when the key is not 32 bytes, the agreement fails (a
// low-order key), the plaintext is longer than kMaxSealPlaintext or a cipher
// step fails.
std::optional<web_sealed> seal_web_secret(std::string_view device_public_key, std::string_view plaintext);

// Opens what seal_web_secret made, on the device: own is the pair whose
// public key was handed out, peer_public_key the sender's. Nothing when the
// peer key is not 32 bytes, sealed is shorter than kWebSealedOverhead, the
// agreement fails or the tag does not verify.
std::optional<std::string> open_web_secret(
    const x25519_key_pair& own, std::string_view peer_public_key, std::string_view sealed);

// PBKDF2-HMAC-SHA-256 of password over salt, `length` bytes. Nothing when
// the salt is empty, iterations is below 1, length is 0 or above
// kPbkdf2MaxLength, or the derivation fails.
constexpr std::size_t kPbkdf2MaxLength = 1024;
std::optional<std::string> pbkdf2_sha256(
    std::string_view password, std::string_view salt, int iterations, std::size_t length);

namespace envelope_detail
{
// The steps above, open for known-answer tests.
std::optional<std::string> shared_secret(const x25519_key_pair& own, std::string_view peer_public_key);
std::optional<std::string> derive_key(std::string_view secret); // 32 bytes
std::optional<std::string> derive_iv(std::string_view secret); // 12 bytes
} // namespace envelope_detail

} // namespace vlsdk
