#pragma once
// The fields of the 1232-byte device-information record by the keys under
// which a login response shows them ("UiType", "p2pId", "WifiStatus", ...),
// so that a test can set any of them through the control channel
// ({"cmd": "set", "state": {"record": {"UiType": 52}}}) and compare what a
// client reads back. Positions come from the VLNET_DEVICE_INFO declaration.
#include "vlnet.h"

#include <json/value.h>
#include <map>
#include <string>
#include <vector>

namespace devsim
{

// Every key a record override may use, in record order.
std::vector<std::string> recordFieldKeys();

// Checks one override: a known key with a value that fits its field (an
// integer in range, a text that fits its slot, an array of at most 8 words
// for the word arrays). False with `error` naming the key.
bool checkRecordField(const std::string& key, const Json::Value& value, std::string* error);

// Writes every override into the record (checked values only).
void applyRecordFields(VLNET_DEVICE_INFO& record, const std::map<std::string, Json::Value>& fields);

// Reads one field back as the override would give it (tests).
Json::Value readRecordField(const VLNET_DEVICE_INFO& record, const std::string& key);

} // namespace devsim
