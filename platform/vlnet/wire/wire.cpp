#include "wire.h"

#include "common/hex.h"
#include "multicast/envelope.h"

#include <cstring>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stdexcept>

namespace vlwire
{

namespace
{
const std::uint8_t kMagic[4] = { 'V', 'L', 'N', '1' };

void putU16(std::uint8_t* at, std::uint16_t v)
{
    at[0] = std::uint8_t(v);
    at[1] = std::uint8_t(v >> 8);
}

std::uint16_t getU16(const std::uint8_t* at)
{
    return std::uint16_t(at[0] | (at[1] << 8));
}
} // namespace

void putU32(std::uint8_t* at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        at[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t getU32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) | (std::uint32_t(at[1]) << 8) | (std::uint32_t(at[2]) << 16)
        | (std::uint32_t(at[3]) << 24);
}

std::vector<std::uint8_t> encode(std::uint16_t command, std::uint16_t flags, std::uint32_t sequence,
    const void* payload, std::size_t length)
{
    if (length > kMaxPayload)
        throw std::length_error("vlwire: payload too large");
    std::vector<std::uint8_t> out(kHeaderSize + length);
    std::memcpy(out.data(), kMagic, 4);
    putU16(out.data() + 4, command);
    putU16(out.data() + 6, flags);
    putU32(out.data() + 8, sequence);
    putU32(out.data() + 12, std::uint32_t(length));
    if (length)
        std::memcpy(out.data() + kHeaderSize, payload, length);
    return out;
}

std::vector<std::uint8_t> encode(
    std::uint16_t command, std::uint16_t flags, std::uint32_t sequence, const std::string& payload)
{
    return encode(command, flags, sequence, payload.data(), payload.size());
}

std::vector<std::uint8_t> encodeReply(
    std::uint16_t command, std::uint32_t sequence, std::int32_t result, const void* data, std::size_t length)
{
    std::vector<std::uint8_t> body(4 + length);
    putU32(body.data(), std::uint32_t(result));
    if (length)
        std::memcpy(body.data() + 4, data, length);
    return encode(command, kReply, sequence, body.data(), body.size());
}

std::vector<std::uint8_t> encodeReply(
    std::uint16_t command, std::uint32_t sequence, std::int32_t result, const std::string& data)
{
    return encodeReply(command, sequence, result, data.data(), data.size());
}

std::optional<Header> decodeHeader(const std::uint8_t* bytes)
{
    if (std::memcmp(bytes, kMagic, 4) != 0)
        return std::nullopt;
    Header h;
    h.command = getU16(bytes + 4);
    h.flags = getU16(bytes + 6);
    h.sequence = getU32(bytes + 8);
    h.length = getU32(bytes + 12);
    if (h.length > kMaxPayload)
        return std::nullopt;
    return h;
}

std::string loginDigest(const std::string& nonce, const std::string& user, const std::string& password)
{
    std::string text = nonce + ":" + user + ":" + password;
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(text.data(), text.size(), md, &len, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("vlwire: SHA-256 failed");
    return vlhex::to_hex(md, len);
}

namespace
{
std::string md5Hex(const std::string& text)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(text.data(), text.size(), md, &len, EVP_md5(), nullptr) != 1)
        throw std::runtime_error("vlwire: MD5 failed");
    return vlhex::to_hex(md, len);
}
} // namespace

std::string httpDigestResponse(const DigestInput& in)
{
    const std::string ha1 = md5Hex(in.user + ":" + in.realm + ":" + in.password);
    const std::string ha2 = md5Hex(in.method + ":" + in.uri);
    if (in.qop.empty())
        return md5Hex(ha1 + ":" + in.nonce + ":" + ha2);
    return md5Hex(ha1 + ":" + in.nonce + ":" + in.nc + ":" + in.cnonce + ":" + in.qop + ":" + ha2);
}

std::string randomHex(std::size_t n)
{
    std::vector<unsigned char> bytes(n);
    if (n && RAND_bytes(bytes.data(), int(n)) != 1)
        throw std::runtime_error("vlwire: no random bytes");
    return vlhex::to_hex(bytes.data(), n);
}

const char* commandName(std::uint16_t command)
{
    switch (command) {
    case kHello:
        return "HELLO";
    case kLogin:
        return "LOGIN";
    case kLogout:
        return "LOGOUT";
    case kPing:
        return "PING";
    case kGetDevInfo:
        return "GET_DEV_INFO";
    case kSimpleCmd:
        return "SIMPLE_CMD";
    case kSetEvenCheck:
        return "SET_EVEN_CHECK";
    case kMessage:
        return "MESSAGE";
    case kSetNewDevInfo:
        return "SET_NEW_DEV_INFO";
    case kPtzControl:
        return "PTZ_CONTROL";
    case kCapture:
        return "CAPTURE";
    case kSetParam:
        return "SET_PARAM";
    case kQueryParam:
        return "QUERY_PARAM";
    case kRemoteTest:
        return "REMOTE_TEST";
    case kProbe:
        return "PROBE";
    default:
        return "UNKNOWN";
    }
}

std::vector<std::uint8_t> encodeQueryParam(const QueryParam& q)
{
    std::vector<std::uint8_t> out(kQueryParamSize);
    putU32(out.data(), std::uint32_t(q.message));
    for (int i = 0; i < 8; ++i)
        putU32(out.data() + 4 + 4 * i, q.mask[i]);
    putU32(out.data() + 36, q.recordSize);
    putU32(out.data() + 40, q.headerSize);
    return out;
}

std::optional<QueryParam> decodeQueryParam(const std::uint8_t* payload, std::size_t length)
{
    if (!payload || length != kQueryParamSize)
        return std::nullopt;
    QueryParam q;
    q.message = std::int32_t(getU32(payload));
    for (int i = 0; i < 8; ++i)
        q.mask[i] = getU32(payload + 4 + 4 * i);
    q.recordSize = getU32(payload + 36);
    q.headerSize = getU32(payload + 40);
    return q;
}

namespace
{
// Keys of sealed records are for nothing else.
constexpr std::string_view kRecordKeyInfo = "vlnet sealed record";

// Runs `step` (seal or open) under the record key of nonce and password;
// nothing without a password, which HKDF does not take as a secret (a
// device without a password has no key, and no record for it is sealed).
template <class Step>
std::optional<std::string> underRecordKey(std::string_view nonce, std::string_view password, Step step)
{
    if (password.empty())
        return std::nullopt;
    auto key = vlsdk::derive_shared_key(password, nonce, kRecordKeyInfo);
    if (!key)
        return std::nullopt;
    auto out = step(*key);
    OPENSSL_cleanse(key->data(), key->size());
    return out;
}
} // namespace

std::optional<std::string> sealRecord(
    std::string_view nonce, std::string_view password, std::string_view record)
{
    return underRecordKey(
        nonce, password, [&](const std::string& key) { return vlsdk::seal_with_key(key, record); });
}

std::optional<std::string> openRecord(
    std::string_view nonce, std::string_view password, std::string_view sealed)
{
    return underRecordKey(
        nonce, password, [&](const std::string& key) { return vlsdk::open_with_key(key, sealed); });
}

std::string ipv4Text(const std::uint8_t (&octets)[4])
{
    return std::to_string(octets[0]) + "." + std::to_string(octets[1]) + "." + std::to_string(octets[2]) + "."
        + std::to_string(octets[3]);
}

} // namespace vlwire
