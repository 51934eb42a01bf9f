#pragma once
// The TLS side of devsim's web interface: one self-signed certificate made
// at start, as a device makes its own. It names no address (clients of
// real devices cannot check it either), so a device keeps it when it moves.
#include <memory>
#include <openssl/ssl.h>
#include <string>

namespace devsim
{

struct TlsContextFree {
    void operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }
};
using TlsContext = std::unique_ptr<SSL_CTX, TlsContextFree>;

// A server context (TLS 1.2 and later) holding a fresh P-256 key and a
// certificate for it, signed by itself, with `commonName` as its subject.
// Throws std::runtime_error with OpenSSL's reason when any step fails.
TlsContext makeSelfSignedContext(const std::string& commonName);

} // namespace devsim
