// What a device answers the program's transfer-key and account-rules
// requests, as the program reads it: whatever the text, an entry is either
// refused or usable (a salt of 1 to 64 bytes with a bounded iteration
// count, a key of exactly 32 bytes), a usable one gives objects of the sizes
// the device expects, and the rules' check gives one of its codes.
//   first byte: the password's length for the rules check, then the text.
#include "devices/WebSecrets.h"
#include "fuzz.h"
#include "shell/Utilities.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const std::size_t passwordLength = in.byte() % 40;
    const std::string password = in.bytes(passwordLength);
    const std::string text = in.rest();
    const QJsonObject reply = jsonFromBytes(QByteArray::fromStdString(text));

    for (int index : { 0, 1 }) {
        const auto entry = WebSecrets::transKeyEntry(reply, index);
        if (!entry)
            continue;
        if (entry->type == QLatin1String("base_salt")) {
            if (entry->iterations < 1 || entry->iterations > WebSecrets::kMaxIterations)
                std::abort();
            // Deriving a long count belongs to the device under test, not
            // to the fuzzer's time.
            const int iterations = entry->iterations > 64 ? 1 : entry->iterations;
            const auto cipher
                = WebSecrets::secondaryAuthCipher(QStringLiteral("Admin_123"), entry->key, iterations);
            if (!cipher)
                std::abort();
            const QByteArray c = cipher->toLatin1();
            const QByteArray dk = base64Decode(c.constData(), c.size());
            if (dk.isEmpty() || dk.size() > WebSecrets::kMaxSaltBytes)
                std::abort();
        } else if (entry->type == QLatin1String("base_x_public")) {
            // A key that decodes to 32 bytes may still be one no agreement
            // takes (low order): refused, never a crash.
            const auto sealed = WebSecrets::sealPassword(QStringLiteral("Admin_12"), entry->key.mid(1));
            if (sealed && (sealed->publicKey.size() != 44 || sealed->cipher.size() != 48))
                std::abort();
        } else {
            std::abort();
        }
    }

    const int code = WebSecrets::accountRulesCode(WebSecrets::readAccountRules(reply),
        QStringLiteral("admin"), QString::fromLatin1(QByteArray::fromStdString(password)));
    if (code != WebSecrets::RulesMet && (code < WebSecrets::SameAsUser || code > WebSecrets::TooFewKinds))
        std::abort();
    return 0;
}
