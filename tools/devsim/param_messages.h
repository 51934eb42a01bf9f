#pragma once
// The parameter messages a simulated device reads (QUERY_PARAM, VLNetQueryParam
// and VLNetQueryParamEx) and writes (SET_PARAM, VLNetSetParam and
// VLNetSetParamEx): one table row per message.
//
// A row is {message, record size, header size, shape, read, write}. The
// central code (queryParam and writeParam below) checks the request's sizes
// against the row, the rights (a read needs a logged-in user, a write the
// settings right), selects the channels, notes the request for `received`
// and calls the row's function with the device under the store's lock; the
// function only builds or applies records.
//
// Adding a message takes minutes:
//   1. In a file of your own (added to CMakeLists.txt beside this one)
//      write its functions and a group function that returns its rows:
//        std::int32_t readOsd(const Device& d, ParamRead& r)
//        {
//            for (int channel : r.channels) {
//                std::uint8_t* rec = r.addRecord(); // zero-filled, size word set
//                ... fill rec from d.channels[channel] ...
//            }
//            return vlwire::kOk;
//        }
//        std::int32_t writeOsd(Device& d, ParamWrite& w) { ... w.record(i) ...; return vlwire::kOk; }
//        ParamRows osdParamRows()
//        {
//            return { { VLNET_PARAM_OSD, VLNET_PARAM_OSD_SIZE, 0, ParamShape::PerChannel,
//                readOsd, writeOsd } };
//        }
//   2. Declare the group function under "Groups of rows" below and add it to
//      the list of groups in findParamMessage (param_messages.cpp), one line
//      each.
// A write of a Structure row is one record for channel 0 (checked
// centrally); a PerChannel or List write gets `count` >= 1 records and the
// frame's channel word, and checks them itself.
// A null read makes the message write-only (a query answers kUnsupported),
// a null write read-only. Return kBadRequest for records the device does
// not take (note["error"] says why), kUnsupported for what it cannot do;
// kNoRight only for a check beyond the settings right (an admin-only
// change). What a write needs done outside the lock (a reboot, a move)
// goes into ParamWrite::then.
#include "store.h"

#include <cstdint>
#include <functional>
#include <json/value.h>
#include <string>
#include <vector>

namespace devsim
{

enum class ParamShape {
    Structure, // one record for the whole device; a write is one record for channel 0
    PerChannel, // one record per selected channel the device has, in channel order
    List, // as many records as the read function gives (users, ...)
};

// What a read function fills. `header` comes zero-filled in the row's
// header size; records are added one by one.
struct ParamRead {
    explicit ParamRead(Json::Value& n)
        : note(n)
    {
    }
    int message = 0;
    std::string user; // the logged-in user
    std::vector<int> channels; // PerChannel: the selected channels the device has, in order
    std::uint32_t recordSize = 0;
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> records; // back to back
    Json::Value& note; // what the device read, for `received`

    // A new zero-filled record at the end whose first int32 holds the record
    // size; valid until the next addRecord.
    std::uint8_t* addRecord();
    std::size_t count() const { return recordSize ? records.size() / recordSize : 0; }
};

// What a write function gets: the records as the client sent them (their
// size is the row's).
struct ParamWrite {
    explicit ParamWrite(Json::Value& n)
        : note(n)
    {
    }
    int message = 0;
    std::string user;
    int channel = 0; // the frame's channel word (VLNetSetParam sends 0)
    const std::uint8_t* records = nullptr;
    std::size_t count = 0;
    std::uint32_t recordSize = 0;
    Json::Value& note;
    // Run once the device's lock is released, when the write answered kOk
    // (a reboot, a move: what must go through the store).
    std::function<void(DeviceStore& store, int id)> then;

    const std::uint8_t* record(std::size_t i) const { return records + i * recordSize; }
};

using ParamReadFn = std::int32_t (*)(const Device& d, ParamRead& r);
using ParamWriteFn = std::int32_t (*)(Device& d, ParamWrite& w);

struct ParamMessage {
    int message = 0;
    std::uint32_t recordSize = 0;
    std::uint32_t headerSize = 0;
    ParamShape shape = ParamShape::Structure;
    ParamReadFn read = nullptr; // null: write-only
    ParamWriteFn write = nullptr; // null: read-only
};
using ParamRows = std::vector<ParamMessage>;

// Groups of rows, each in a file of its own.
ParamRows
coreParamRows(); // 502 version, 524 time, 582 product and 700 device information (param_messages.cpp)
ParamRows streamOsdParamRows(); // 570, 571, 572 streams and 573 OSD of each channel (stream_osd.cpp)

ParamRows userParamRows(); // 505 users (user_records.cpp)
ParamRows resetParamRows(); // 521 restore defaults (device_reset.cpp)

// Every row; null for a message the device does not know.
const ParamMessage* findParamMessage(int message);

// SET_PARAM (device_commands.h, setParam): the message, channel, record size
// and count words, then the records, through the message's row.
std::int32_t writeParam(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note);

// QUERY_PARAM: the 44-byte request (wire.h, QueryParam) for the logged-in
// `user`; the header and records into `data` on kOk. kBadRequest for
// another shape or sizes that are not the message's, kUnsupported for a
// message the device does not know or does not read, kNoRight for a user
// the device does not have.
std::int32_t queryParam(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note, std::vector<std::uint8_t>& data);

// The device's time zones: the offset from UTC in minutes of zone index
// 0..33 (14 is UTC+0).
constexpr int kTimeZoneCount = 34;
int timeZoneMinutes(int zone);

} // namespace devsim
