#pragma once
// The cipher of the settings file's one secret, the default device password of
// the edition that lets the user change it. AES-256-CBC with PKCS#7 padding
// over a key and IV fixed in the program: the same password always gives the
// same cipher text, so the settings file changes only when the password does.
// This hides the password from a casual look at the file; it is not a
// protection against someone who has the program.
#include <QByteArray>

class ConfigCipher
{
public:
    // The process-wide cipher, created on first use; safe from any thread.
    static ConfigCipher* instance();

    // Pads to the next multiple of 16 (always 1 to 16 bytes) and encrypts:
    // 16 bytes in give 32 out, an empty text gives 16.
    QByteArray encrypt(const QByteArray& plain) const;
    // Decrypts and strips the padding. A length that is not a positive
    // multiple of 16 or invalid padding gives an empty result and *ok false.
    QByteArray decrypt(const QByteArray& cipher, bool* ok = nullptr) const;

    ConfigCipher(const ConfigCipher&) = delete;
    ConfigCipher& operator=(const ConfigCipher&) = delete;

private:
    ConfigCipher();

    unsigned char m_key[32];
    unsigned char m_iv[16];
};
