#pragma once
// The secrets a device's web interface asks for, on the program's side, as
// pure functions (any thread): the transfer-key exchange's request and the
// read of its answer, the second-authentication proof, the encrypted new
// password, and the check of a new password against the device's published
// account rules. The device records call them (DeviceHttp.h, the workers);
// the cryptography is the one implementation that VLSDKWrapper and the
// device simulator use too (vl_crypto, sdkwrapper/multicast/envelope.h).
//
// The transfer-key exchange: a POST of {"data":{"type":[types]}} (types
// "base_salt" and/or "base_x_public", in that order) is answered with
// {"data":{"Key_lists":[entry, ...]}}, one entry per type in the order asked:
//   base_salt      "key" the salt (Base64), "iter" the PBKDF2 iterations,
//                  "seq"
//   base_x_public  "key" one character to skip, then the device's 32-byte
//                  X25519 public key (Base64), "seq"
// and the program answers with the objects
//   "base_secondary_authentication"  {"cipher": Base64 of
//                  PBKDF2-HMAC-SHA-256(login password, salt, iter) with as
//                  many bytes as the salt, "seq"}
//   "base_enc_password"              {"cipher": "0" + Base64 of the new
//                  password sealed to the device key (ciphertext, IV, tag),
//                  "peer_key": "0" + Base64 of the fresh public key, "seq"}
// Passwords go as their Latin-1 bytes, up to a first zero byte.
//
// What a device sends is never trusted to size anything: a salt must
// decode to 1 to kMaxSaltBytes bytes, a device key to exactly 32 bytes, the
// iterations must lie in 1..kMaxIterations, and an entry that is missing,
// short or of another kind is a failed key exchange (no object at all,
// rather than one the device would refuse).
#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <optional>

// Standard Base64 (RFC 4648 alphabet, "=" padding, one line). A null input
// gives an empty result; so does text that is not Base64. Decoded results
// longer than 1024 bytes are cut there.
QString base64Encode(const unsigned char* bytes, int count);
QByteArray base64Decode(const char* text, int length);

namespace WebSecrets
{

constexpr int kMaxSaltBytes = 64;
// A device could otherwise keep the GUI thread deriving for hours.
constexpr int kMaxIterations = 1000000;
// Devices read a new password through a 128-byte buffer with its end mark.
constexpr int kMaxPasswordBytes = 127;

// The Latin-1 bytes of a password up to its first zero byte.
QByteArray passwordBytes(const QString& password);

// The request body for `types` ({"data":{"type":[...]}}, compact).
QByteArray transKeyRequestBody(const QStringList& types);

// One usable entry of a transfer-key answer.
struct TransKeyEntry {
    QString type; // "base_salt" or "base_x_public"
    QString key; // as sent (base_x_public: with its first character)
    int iterations = 0; // base_salt only
    QJsonValue seq; // echoed back as sent
};
// Entry `index` of reply."data"."Key_lists"; nothing when it is missing, is
// no object, lacks a member, names another type or holds a key of the wrong
// size (see the top).
std::optional<TransKeyEntry> transKeyEntry(const QJsonObject& reply, int index);

// The "cipher" text of "base_secondary_authentication"; nothing when the
// salt text does not decode to 1 to kMaxSaltBytes bytes or the iterations
// lie outside 1..kMaxIterations.
std::optional<QString> secondaryAuthCipher(const QString& password, const QString& saltText, int iterations);

// The two texts of "base_enc_password" without their "0".
struct SealedPassword {
    QString publicKey; // 44 characters
    QString cipher; // Base64 of ciphertext, IV and tag
};
// `deviceKeyText`: the device's key with its first character already
// skipped. Nothing when it does not decode to exactly 32 bytes, the key
// agreement fails, or the password has more than kMaxPasswordBytes bytes.
std::optional<SealedPassword> sealPassword(const QString& password, const QString& deviceKeyText);

// The results of the account-rules check; the password worker turns them
// into statuses.
enum AccountRulesCode {
    RulesMet = 79,
    RulesUnavailable = 202, // no HTTP 200, or the answer is no JSON object
    SameAsUser = 250,
    TooShort = 251,
    TooLong = 252,
    LowerNotAllowed = 253,
    UpperNotAllowed = 254,
    DigitNotAllowed = 255,
    SpecialNotAllowed = 256,
    SpecialNotListed = 257,
    TooFewKinds = 258,
};

// A device's password rules ("data"."password" of "/API/AccountRules/Get"),
// with the defaults of absent members.
struct AccountRules {
    int minLength = 8;
    int maxLength = 16;
    bool notSameUsername = false;
    int combinations = 2;
    bool lower = false; // "alpha"
    bool upper = false; // "ALPHA"
    bool digit = false;
    bool special = false;
    QByteArray specialSigns; // Latin-1; read only when "special" is allowed
};
AccountRules readAccountRules(const QJsonObject& reply);

// The first rule `newPassword` breaks (first the user name, then the length
// in characters, then each Latin-1 byte in turn: a-z, A-Z, 0-9, any other
// byte, those from 128 up included, a sign), else RulesMet or TooFewKinds.
int accountRulesCode(const AccountRules& rules, const QString& user, const QString& newPassword);

} // namespace WebSecrets
