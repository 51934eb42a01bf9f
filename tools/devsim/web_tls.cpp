#include "web_tls.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <stdexcept>

namespace devsim
{

namespace
{

[[noreturn]] void fail(const char* step)
{
    char reason[256] = "no reason given";
    if (unsigned long e = ERR_get_error())
        ERR_error_string_n(e, reason, sizeof(reason));
    ERR_clear_error();
    throw std::runtime_error(std::string("TLS certificate: ") + step + ": " + reason);
}

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};

} // namespace

TlsContext makeSelfSignedContext(const std::string& commonName)
{
    std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_EC_gen("P-256"));
    if (!key)
        fail("key");
    std::unique_ptr<X509, CertFree> cert(X509_new());
    if (!cert || X509_set_version(cert.get(), 2) != 1)
        fail("certificate");
    unsigned char serial[8];
    if (RAND_bytes(serial, sizeof(serial)) != 1)
        fail("serial");
    serial[0] &= 0x7F; // a positive number
    BIGNUM* bn = BN_bin2bn(serial, sizeof(serial), nullptr);
    bool serialSet = bn && BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    if (!serialSet)
        fail("serial");
    // Valid from a day back, so a client whose clock runs behind still
    // reaches the handshake's other checks.
    if (!X509_gmtime_adj(X509_getm_notBefore(cert.get()), -24L * 3600)
        || !X509_gmtime_adj(X509_getm_notAfter(cert.get()), 10L * 365 * 24 * 3600))
        fail("validity");
    X509_NAME* name = X509_get_subject_name(cert.get());
    if (X509_NAME_add_entry_by_txt(
            name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("devsim"), -1, -1, 0)
            != 1
        || X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0)
            != 1
        || X509_set_issuer_name(cert.get(), name) != 1)
        fail("name");
    if (X509_set_pubkey(cert.get(), key.get()) != 1 || X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0)
        fail("signature");

    TlsContext ctx(SSL_CTX_new(TLS_server_method()));
    if (!ctx)
        fail("context");
    SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
    SSL_CTX_set_options(ctx.get(), SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
    if (SSL_CTX_use_certificate(ctx.get(), cert.get()) != 1
        || SSL_CTX_use_PrivateKey(ctx.get(), key.get()) != 1 || SSL_CTX_check_private_key(ctx.get()) != 1)
        fail("context");
    return ctx;
}

} // namespace devsim
