#pragma once
// What the device side of every session request shares: who is asking and
// what they may do, and the note of the answer for the `received` list.
#include "device.h"
#include "store.h"

#include <cstdint>
#include <json/value.h>
#include <string>

namespace devsim
{

// The logged-in user's rights on a device, and what a channel request may
// touch.
struct Access {
    bool user = false; // the device has this user
    Rights rights;
    int channels = 0;
};

Access accessOf(const Device& d, const std::string& user);
// The same under the store's lock (a device the store lacks: no user, no
// channels).
Access accessOf(const DeviceStore& store, int id, const std::string& user);

// Puts the reply's result, and `error` unless the note has a reason
// already (the first reason found stays), into `note`; returns `result`.
std::int32_t noted(Json::Value& note, std::int32_t result, const std::string& error = std::string());

} // namespace devsim
