#pragma once
// The one rule set a simulated device holds every password it accepts to:
// the first password of a multicast activation (and the cameras' password
// sent with it), and every new password of the web interface. The web
// interface publishes the same rules ("/API/AccountRules/Get"), so that a
// client checks a password as the device will.
//
//   8 to 32 bytes; letters a-z, A-Z, digits and the signs of kSpecialSigns,
//   and every byte from 0x80 up (a Latin-1 letter or sign); no space, no
//   control byte; at least two of the kinds lower case, upper case, digit
//   and sign; not the user's name; not one of a few well-known weak
//   passwords (any case).
//
// Pure functions; any thread.
#include <json/value.h>
#include <string>

namespace devsim
{

// The signs a password may hold beside the bytes from 0x80 up.
extern const char* const kSpecialSigns;

struct PasswordRules {
    int minLength = 8;
    int maxLength = 32;
    bool notSameUsername = true;
    int combinations = 2; // kinds of characters at least
};
const PasswordRules& passwordRules();

enum class PasswordCheck { Ok, SameAsUser, TooShort, TooLong, BadCharacter, TooFewKinds, Weak };

// Checks a password (its bytes) that `user` is to have; an empty user is
// compared with nothing.
PasswordCheck checkPassword(const std::string& password, const std::string& user = std::string());
// "ok", "same_as_user", "too_short", "too_long", "bad_character",
// "too_few_kinds", "weak".
const char* passwordCheckName(PasswordCheck check);

// The rules as "/API/AccountRules/Get" tells them: its "password" member.
// The bytes from 0x80 up are listed in "special" as the characters U+0080 to
// U+00FF (what a client that reads the password's Latin-1 bytes finds there).
Json::Value accountRulesJson();

} // namespace devsim
