#include "devices/WebSecrets.h"

#include "multicast/base64.h"
#include "multicast/envelope.h"
#include "shell/Utilities.h"

#include <QJsonArray>
#include <QtDebug>
#include <cmath>
#include <openssl/crypto.h>
#include <string>
#include <string_view>

namespace
{

constexpr const char* kSaltType = "base_salt";
constexpr const char* kPublicKeyType = "base_x_public";

std::string_view viewOf(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}

QString base64Of(const std::string& bytes)
{
    return QString::fromLatin1(QByteArray::fromStdString(vlsdk::multicast_base64_encode(bytes)));
}

// Bytes that held a secret are wiped before they are freed.
void wipe(QByteArray& bytes)
{
    if (!bytes.isEmpty())
        OPENSSL_cleanse(bytes.data(), std::size_t(bytes.size()));
}

void wipe(std::string& bytes)
{
    if (!bytes.empty())
        OPENSSL_cleanse(bytes.data(), bytes.size());
}

// A JSON number that is a whole number within `low`..`high`.
std::optional<double> wholeNumber(const QJsonValue& v, double low, double high)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d) || std::floor(d) != d || d < low || d > high)
        return std::nullopt;
    return d;
}

} // namespace

QString base64Encode(const unsigned char* bytes, int count)
{
    if (!bytes) {
        qDebug("Wrong buffer");
        return QString();
    }
    if (count <= 0)
        return QString();
    return base64Of(std::string(reinterpret_cast<const char*>(bytes), std::size_t(count)));
}

QByteArray base64Decode(const char* text, int length)
{
    if (!text) {
        qDebug("Wrong src");
        return QByteArray();
    }
    if (length <= 0)
        return QByteArray();
    return QByteArray::fromStdString(
        vlsdk::multicast_base64_decode(std::string_view(text, std::size_t(length))));
}

namespace WebSecrets
{

QByteArray passwordBytes(const QString& password)
{
    QByteArray bytes = password.toLatin1();
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return bytes;
}

QByteArray transKeyRequestBody(const QStringList& types)
{
    QJsonObject data;
    data.insert(QStringLiteral("type"), QJsonArray::fromStringList(types));
    QJsonObject body;
    body.insert(QStringLiteral("data"), data);
    return jsonToBytes(body);
}

std::optional<TransKeyEntry> transKeyEntry(const QJsonObject& reply, int index)
{
    const QJsonArray lists
        = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("Key_lists")).toArray();
    if (index < 0 || index >= lists.size() || !lists.at(index).isObject())
        return std::nullopt;
    const QJsonObject e = lists.at(index).toObject();
    TransKeyEntry entry;
    entry.type = e.value(QStringLiteral("type")).toString();
    entry.key = e.value(QStringLiteral("key")).toString();
    entry.seq = e.value(QStringLiteral("seq"));
    // A sequence number that the device could not match would only get the
    // request refused later.
    if (!wholeNumber(entry.seq, -9007199254740992.0, 9007199254740992.0) || entry.key.isEmpty())
        return std::nullopt;
    const QByteArray keyText = entry.key.toLatin1();
    if (entry.type == QLatin1String(kSaltType)) {
        const auto iterations = wholeNumber(e.value(QStringLiteral("iter")), 1, kMaxIterations);
        const QByteArray salt = base64Decode(keyText.constData(), keyText.size());
        if (!iterations || salt.isEmpty() || salt.size() > kMaxSaltBytes)
            return std::nullopt;
        entry.iterations = int(*iterations);
        return entry;
    }
    if (entry.type == QLatin1String(kPublicKeyType)) {
        const QByteArray key = base64Decode(keyText.constData() + 1, keyText.size() - 1);
        if (key.size() != int(vlsdk::kPublicKeySize))
            return std::nullopt;
        return entry;
    }
    return std::nullopt;
}

std::optional<QString> secondaryAuthCipher(const QString& password, const QString& saltText, int iterations)
{
    const QByteArray text = saltText.toLatin1();
    const QByteArray salt = base64Decode(text.constData(), text.size());
    if (salt.isEmpty() || salt.size() > kMaxSaltBytes || iterations < 1 || iterations > kMaxIterations)
        return std::nullopt;
    QByteArray secret = passwordBytes(password);
    // The proof is as long as the salt.
    auto dk = vlsdk::pbkdf2_sha256(viewOf(secret), viewOf(salt), iterations, std::size_t(salt.size()));
    wipe(secret);
    if (!dk)
        return std::nullopt;
    const QString cipher = base64Of(*dk);
    wipe(*dk);
    return cipher;
}

std::optional<SealedPassword> sealPassword(const QString& password, const QString& deviceKeyText)
{
    const QByteArray text = deviceKeyText.toLatin1();
    const QByteArray key = base64Decode(text.constData(), text.size());
    if (key.size() != int(vlsdk::kPublicKeySize))
        return std::nullopt;
    QByteArray secret = passwordBytes(password);
    if (secret.size() > kMaxPasswordBytes) {
        wipe(secret);
        return std::nullopt;
    }
    auto sealed = vlsdk::seal_web_secret(viewOf(key), viewOf(secret));
    wipe(secret);
    if (!sealed)
        return std::nullopt;
    return SealedPassword { base64Of(sealed->public_key), base64Of(sealed->sealed) };
}

AccountRules readAccountRules(const QJsonObject& reply)
{
    AccountRules rules;
    const QJsonObject p
        = reply.value(QStringLiteral("data")).toObject().value(QStringLiteral("password")).toObject();
    rules.minLength = p.value(QStringLiteral("min_length")).toInt(rules.minLength);
    rules.maxLength = p.value(QStringLiteral("max_length")).toInt(rules.maxLength);
    rules.notSameUsername = p.value(QStringLiteral("not_same_username")).toBool(rules.notSameUsername);
    rules.combinations = p.value(QStringLiteral("character_combinations_num")).toInt(rules.combinations);
    for (const QJsonValue& kind : p.value(QStringLiteral("character_combinations")).toArray()) {
        const QString k = kind.toString();
        if (k == QLatin1String("alpha"))
            rules.lower = true;
        else if (k == QLatin1String("ALPHA"))
            rules.upper = true;
        else if (k == QLatin1String("digit"))
            rules.digit = true;
        else if (k == QLatin1String("special"))
            rules.special = true;
    }
    if (rules.special) {
        // Only characters a Latin-1 byte can be: toLatin1 would turn the
        // others into "?", and allow that sign by accident.
        for (const QChar c : p.value(QStringLiteral("special")).toString())
            if (c.unicode() <= 0xFF)
                rules.specialSigns.append(char(c.unicode()));
    }
    return rules;
}

int accountRulesCode(const AccountRules& rules, const QString& user, const QString& newPassword)
{
    if (rules.notSameUsername && newPassword == user)
        return SameAsUser;
    if (newPassword.size() < rules.minLength)
        return TooShort;
    if (newPassword.size() > rules.maxLength)
        return TooLong;
    bool lower = false, upper = false, digit = false, special = false;
    for (const char c : newPassword.toLatin1()) {
        if (c >= 'a' && c <= 'z') {
            if (!rules.lower)
                return LowerNotAllowed;
            lower = true;
        } else if (c >= 'A' && c <= 'Z') {
            if (!rules.upper)
                return UpperNotAllowed;
            upper = true;
        } else if (c >= '0' && c <= '9') {
            if (!rules.digit)
                return DigitNotAllowed;
            digit = true;
        } else {
            // Every other byte is a sign, the Latin-1 letters from 128 up too.
            if (!rules.special)
                return SpecialNotAllowed;
            if (!rules.specialSigns.contains(c))
                return SpecialNotListed;
            special = true;
        }
    }
    const int kinds = int(lower) + int(upper) + int(digit) + int(special);
    return kinds < rules.combinations ? TooFewKinds : RulesMet;
}

} // namespace WebSecrets
