#include "keys.h"

#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace devsim
{

namespace
{
struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
} // namespace

KeyPair makeKeyPair()
{
    std::unique_ptr<EVP_PKEY_CTX, CtxFree> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_X25519, nullptr));
    EVP_PKEY* raw = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &raw) != 1)
        throw std::runtime_error("X25519 key generation failed");
    Pkey key(raw);
    KeyPair pair;
    size_t len = pair.privateKey.size();
    if (EVP_PKEY_get_raw_private_key(key.get(), pair.privateKey.data(), &len) != 1 || len != 32)
        throw std::runtime_error("X25519 private key unreadable");
    len = pair.publicKey.size();
    if (EVP_PKEY_get_raw_public_key(key.get(), pair.publicKey.data(), &len) != 1 || len != 32)
        throw std::runtime_error("X25519 public key unreadable");
    return pair;
}

bool publicKeyOf(const std::array<std::uint8_t, 32>& privateKey, std::array<std::uint8_t, 32>* publicKey)
{
    Pkey key(EVP_PKEY_new_raw_private_key(EVP_PKEY_X25519, nullptr, privateKey.data(), privateKey.size()));
    if (!key)
        return false;
    size_t len = publicKey->size();
    return EVP_PKEY_get_raw_public_key(key.get(), publicKey->data(), &len) == 1 && len == 32;
}

} // namespace devsim
