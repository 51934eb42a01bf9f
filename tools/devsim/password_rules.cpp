#include "password_rules.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace devsim
{

const char* const kSpecialSigns = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";

namespace
{

bool isWeak(const std::string& password)
{
    static const char* const weak[] = { "12345678", "123456789", "1234567890", "87654321", "11111111",
        "88888888", "00000000", "password", "password1", "password123", "admin123", "admin1234", "abc12345",
        "abcd1234", "qwerty123", "qwertyuiop", "aa123456", "a1234567", "iloveyou1" };
    std::string lower = password;
    for (auto& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return std::find(std::begin(weak), std::end(weak), lower) != std::end(weak);
}

bool isSpecial(unsigned char c)
{
    return c >= 0x80 || (c != 0 && std::strchr(kSpecialSigns, c) != nullptr);
}

} // namespace

const PasswordRules& passwordRules()
{
    static const PasswordRules rules;
    return rules;
}

PasswordCheck checkPassword(const std::string& password, const std::string& user)
{
    const PasswordRules& rules = passwordRules();
    // In the order a client that reads the published rules checks them.
    if (rules.notSameUsername && !user.empty() && password == user)
        return PasswordCheck::SameAsUser;
    if (password.size() < std::size_t(rules.minLength))
        return PasswordCheck::TooShort;
    if (password.size() > std::size_t(rules.maxLength))
        return PasswordCheck::TooLong;
    bool lower = false, upper = false, digit = false, special = false;
    for (unsigned char c : password) {
        if (c >= 'a' && c <= 'z')
            lower = true;
        else if (c >= 'A' && c <= 'Z')
            upper = true;
        else if (c >= '0' && c <= '9')
            digit = true;
        else if (isSpecial(c))
            special = true;
        else
            return PasswordCheck::BadCharacter;
    }
    if (int(lower) + int(upper) + int(digit) + int(special) < rules.combinations)
        return PasswordCheck::TooFewKinds;
    if (isWeak(password))
        return PasswordCheck::Weak;
    return PasswordCheck::Ok;
}

const char* passwordCheckName(PasswordCheck check)
{
    switch (check) {
    case PasswordCheck::Ok:
        return "ok";
    case PasswordCheck::SameAsUser:
        return "same_as_user";
    case PasswordCheck::TooShort:
        return "too_short";
    case PasswordCheck::TooLong:
        return "too_long";
    case PasswordCheck::BadCharacter:
        return "bad_character";
    case PasswordCheck::TooFewKinds:
        return "too_few_kinds";
    case PasswordCheck::Weak:
        return "weak";
    }
    return "?";
}

Json::Value accountRulesJson()
{
    const PasswordRules& rules = passwordRules();
    Json::Value o(Json::objectValue);
    o["min_length"] = rules.minLength;
    o["max_length"] = rules.maxLength;
    o["not_same_username"] = rules.notSameUsername;
    o["character_combinations_num"] = rules.combinations;
    Json::Value kinds(Json::arrayValue);
    for (const char* kind : { "ALPHA", "alpha", "digit", "special" })
        kinds.append(kind);
    o["character_combinations"] = kinds;
    std::string special = kSpecialSigns;
    // U+0080 to U+00FF in UTF-8: two bytes each.
    for (unsigned c = 0x80; c <= 0xFF; ++c) {
        special.push_back(char(0xC0 | (c >> 6)));
        special.push_back(char(0x80 | (c & 0x3F)));
    }
    o["special"] = special;
    return o;
}

} // namespace devsim
