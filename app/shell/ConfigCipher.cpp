#include "shell/ConfigCipher.h"

#include "shell/ProcessSingleton.h"

#include <cstring>
#include <memory>
#include <openssl/evp.h>

namespace
{

// Files written with one key and IV are readable only with the same pair:
// never change these.
constexpr unsigned char kKey[32]
    = { 0xaf, 0x0e, 0x60, 0xf1, 0xb7, 0x65, 0xfc, 0x31, 0xd2, 0x85, 0xe7, 0xf1, 0x90, 0xcc, 0x91, 0x86, 0x8b,
          0x60, 0x77, 0x4e, 0x5b, 0x63, 0x4e, 0x32, 0xf1, 0xa5, 0xd9, 0x28, 0x4a, 0xac, 0xd5, 0xe6 };
constexpr unsigned char kIv[16]
    = { 0x53, 0x70, 0x84, 0x9c, 0xc0, 0xb0, 0x53, 0x12, 0x42, 0x2d, 0xe3, 0xb4, 0x2c, 0xb4, 0x38, 0x31 };
constexpr int kBlock = 16;

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

// One run of AES-256-CBC over `in`; every call starts from the fixed IV.
bool runCipher(
    bool encrypting, const unsigned char* key, const unsigned char* iv, const QByteArray& in, QByteArray* out)
{
    CtxPtr ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return false;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key, iv, encrypting ? 1 : 0) != 1)
        return false;
    out->resize(in.size() + kBlock);
    auto* dst = reinterpret_cast<unsigned char*>(out->data());
    int written = 0;
    if (EVP_CipherUpdate(
            ctx.get(), dst, &written, reinterpret_cast<const unsigned char*>(in.constData()), in.size())
        != 1)
        return false;
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), dst + written, &tail) != 1)
        return false;
    out->resize(written + tail);
    return true;
}

ProcessSingleton<ConfigCipher> g_cipher;

} // namespace

ConfigCipher::ConfigCipher()
{
    std::memcpy(m_key, kKey, sizeof m_key);
    std::memcpy(m_iv, kIv, sizeof m_iv);
}

ConfigCipher* ConfigCipher::instance()
{
    return g_cipher.get([] { return new ConfigCipher; });
}

QByteArray ConfigCipher::encrypt(const QByteArray& plain) const
{
    QByteArray out;
    if (!runCipher(true, m_key, m_iv, plain, &out))
        return {};
    return out;
}

QByteArray ConfigCipher::decrypt(const QByteArray& cipher, bool* ok) const
{
    if (ok)
        *ok = false;
    if (cipher.isEmpty() || cipher.size() % kBlock != 0)
        return {};
    QByteArray out;
    if (!runCipher(false, m_key, m_iv, cipher, &out))
        return {};
    if (ok)
        *ok = true;
    return out;
}
