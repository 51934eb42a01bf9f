// What a device answers the video-format flow, as the flow reads it:
// whatever the text, a query's format is the reply's own text or nothing, a
// transfer-key reply gives each step a key of its own kind or nothing (and
// a usable one objects of the sizes the device expects), and the factory
// reset's body names either the factory type (one of the device's list
// that contains "factory", or "factory_defaults") or the nine items, never
// a "version".
//   first byte: bit 0 "VC" software, bits 1-3 the number of factory types;
//   the types as pieces, then the reply text.
#include "fuzz.h"
#include "operations/VideoFormatFlow.h"
#include "shell/Utilities.h"

#include <QJsonValue>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace VideoFormatRequests;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const unsigned bits = in.byte();
    const QString software = (bits & 1) ? QStringLiteral("VC1.0") : QStringLiteral("vc1.0");
    QList<QByteArray> types;
    for (unsigned i = 0; i < ((bits >> 1) & 7); ++i)
        types.append(QByteArray::fromStdString(in.piece()));
    const QJsonObject reply = jsonFromBytes(QByteArray::fromStdString(in.rest()));

    if (const auto format = videoFormatOf(reply)) {
        if (reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("video_format"))
            != QJsonValue(*format))
            std::abort();
    }

    QJsonObject secondaryAuth;
    if (const auto key = stepKey(reply, QStringLiteral("base_x_public"))) {
        if (key->type != QLatin1String("base_x_public"))
            std::abort();
        // A key of 32 bytes may still be one no agreement takes: refused,
        // never a crash.
        const auto sealed = WebSecrets::sealPassword(QStringLiteral("5284tbnr"), key->key.mid(1));
        if (sealed && (sealed->publicKey.size() != 44 || sealed->cipher.size() != 48))
            std::abort();
    }
    if (const auto key = stepKey(reply, QStringLiteral("base_salt"))) {
        if (key->type != QLatin1String("base_salt") || key->iterations < 1
            || key->iterations > WebSecrets::kMaxIterations)
            std::abort();
        // Long derivations belong to the device under test, not to the
        // fuzzer's time.
        const int iterations = key->iterations > 64 ? 1 : key->iterations;
        const auto cipher = WebSecrets::secondaryAuthCipher(QStringLiteral("5284tbnr"), key->key, iterations);
        if (!cipher)
            std::abort();
        secondaryAuth.insert(QStringLiteral("cipher"), *cipher);
        secondaryAuth.insert(QStringLiteral("seq"), key->seq);
    }

    const QString type = factoryTypeFor(types);
    bool listed = false;
    for (const QByteArray& t : types)
        listed = listed || (QString::fromUtf8(t) == type && t.contains("factory"));
    if (type != QLatin1String("factory_defaults") && !listed)
        std::abort();

    const QJsonObject reset = factoryResetData(software, types, secondaryAuth);
    const QByteArray body = jsonToBytes(QJsonObject { { QStringLiteral("data"), reset } });
    const QJsonObject back = jsonFromBytes(body);
    if (back.contains(QStringLiteral("version")) || back.value(QStringLiteral("data")).toObject() != reset)
        std::abort();
    if (reset.value(QStringLiteral("base_secondary_authentication")) != QJsonValue(secondaryAuth))
        std::abort();
    if (software.startsWith(QLatin1String("VC"))) {
        if (reset.size() != 2 || reset.value(QStringLiteral("factory_type")) != QJsonValue(type))
            std::abort();
    } else {
        if (reset.size() != 10)
            std::abort();
        for (auto it = reset.begin(); it != reset.end(); ++it) {
            if (it.key() != QLatin1String("base_secondary_authentication") && it.value() != QJsonValue(true))
                std::abort();
        }
    }
    return 0;
}
