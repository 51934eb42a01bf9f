#pragma once
// The device's long-lived X25519 key pair (OpenSSL EVP).
#include "device.h"

namespace devsim
{

// A fresh key pair. Throws std::runtime_error when OpenSSL fails.
KeyPair makeKeyPair();
// The public key that belongs to `privateKey` (for pairs read from a file).
bool publicKeyOf(const std::array<std::uint8_t, 32>& privateKey, std::array<std::uint8_t, 32>* publicKey);

} // namespace devsim
