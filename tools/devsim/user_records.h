#pragma once
// A simulated device's users as the program changes their passwords: the
// VLNet parameter message 505 (a 48-byte header, then one 272-byte
// VLNET_USER_RECORD per user) and the web interface's
// "/API/SystemConfig/User/Get" and "/Set". Both change the device's `users`,
// the accounts every transport checks, so a changed password logs in
// everywhere at once.
//
// Message 505 keeps passwords in the layout of the device-information
// record's `c32PasswordFlag` (on by default; a test clears it with `set`
// and {"record": {"c32PasswordFlag": 0}}): 32-byte slots (`c32_password`,
// the name in `user_name2`) or 8-byte ones (`password`, `password2`, the
// name in `user_name`), the other slots zero. Its records carry passwords,
// so they travel sealed like every such record (PROTOCOL.md, "Sealed
// records").
//
// Pure functions over the store; any thread.
#include "store.h"
#include "web_server.h"

#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

class WebSecrets;

// The device keeps passwords in the 32-byte layout.
bool c32Passwords(const Device& d);

// The header of message 505.
std::vector<std::uint8_t> userHeader(const Device& d);
// One record per user, in the device's order.
std::vector<std::uint8_t> userRecords(const Device& d);

// A write of message 505 by the logged-in `user`: `records` holds the whole
// list. Each record whose `have_switch` is 1 gives its user (by the name of
// the device's layout; an 8-byte name matches a longer one it begins) the
// password of that layout; in the 8-byte layout `password2` must repeat it.
// The others change nothing. All or nothing: kBadRequest for a list that is
// no whole number of records, an unknown user, a confirmation that differs
// or a password the rules refuse (password_rules.h); kNoRight for a user
// that is no administrator. `note` gets `count`, `layout`, `changed` (the
// names) and `error`, never a password.
// The same on a device (its store's lock held): `count` records.
std::int32_t applyUserRecords(
    Device& d, const std::string& user, const std::uint8_t* records, std::size_t count, Json::Value& note);
std::int32_t writeUserRecords(
    DeviceStore& store, int id, const std::string& user, const std::string& records, Json::Value& note);

// "/API/SystemConfig/User/Get" answers `data.user_info.ADMIN`, the main
// account (the first administrator): {"username", "enabled", "level"}.
// "/API/SystemConfig/User/Set" takes {"type": "SavePassword",
// "base_secondary_authentication" (the session user's current password),
// "user_info": {"ADMIN": {..., "base_enc_password"}}} and gives the account
// ("username" when given, else the main one) the sealed password once the
// rules allow it. Refusals (HTTP 200): "auth_failed", "invalid_param", and
// for the password the reason of web_secrets.h ("not_opened", "too_short",
// ...).
void addUserPaths(WebServer& web, WebSecrets& secrets);

} // namespace devsim
