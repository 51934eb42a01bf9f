#pragma once
// The pieces of the reply processing and the reports that are worth seeing on
// their own: result texts, the order of a search's results and the result
// objects. The engine's process_replies() and report_*() (session.h) are
// built from them.
#include "multicast/records.h"

#include <cstdint>
#include <json/value.h>
#include <string>
#include <vector>

namespace multicast
{
class DeviceInfoLimit;
}

namespace vlsdk
{

// "success", "not support", ... "no response" (9); unknown codes read "save failed".
const char* activation_result_text(std::int32_t result);
// "success", "not support", "check error", "need auth", "update failed",
// "no response" (5); unknown codes read "update failed".
const char* update_result_text(std::int32_t result);

// "192.168.001.010" -> "192.168.1.10": a text of four groups of decimal
// digits separated by dots, written again without leading zeros. Any other
// text comes back unchanged.
std::string normalize_ipv4_text(const std::string& text);
// The address as a number, first octet most significant; a text that is no
// dotted IPv4 address counts as 255.255.255.255 (sorted last).
std::uint32_t ipv4_sort_value(const std::string& text);

// Longer mac texts first, then the higher byte at the first difference.
bool compare_mac_descending(const multicast_device_record& a, const multicast_device_record& b);
// Ascending by ipv4_sort_value of the wired IP.
bool compare_wired_ip(const multicast_device_record& a, const multicast_device_record& b);

// The records of a search as they are reported: IP texts normalised, one
// record per mac and IP (the first received), ascending by address.
std::vector<multicast_device_record> search_report_order(std::vector<multicast_device_record> records);

// The compact JSON text of a device's rules for its settings.
std::string dev_limit_text(const multicast::DeviceInfoLimit& limit);

// The result object of one found device; the extended keys only when asked.
Json::Value search_result_object(const multicast_device_record& record, bool extended);

} // namespace vlsdk
