#pragma once
// What the activation, reboot, version and date-and-time workers send and
// how they read what comes back, as pure functions that tests call without
// a device: the multicast activation's request and the code of its reply,
// the version text of VLNet's version record, the date-and-time record and
// the web texts of a date, a time and a time zone.
//
// Threads: every function here may run on any thread.
#include "operations/WorkerFrame.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <string>

namespace MaintenanceRequests
{

// ---- Activation by multicast ------------------------------------------------

// How long the engine waits before its first send, and for answers.
constexpr int kActivationDelayMs = 200;
constexpr int kActivationTimeoutMs = 3000;

// One device's entry of an activation request; texts as 8-bit (Latin-1)
// bytes.
struct ActivationEntry {
    QByteArray id; // the search's "dev id"
    QByteArray key; // its "dev enc"
    QByteArray password;
    // The recorder's switches ("is sync pwd", "conn ipc pwd"): sent only
    // over the web-interface setting.
    bool withSyncFields = false;
    bool syncPassword = false;
    QByteArray connIpcPassword;
};
// {"delay":200,"timeout":3000,"data":"<{"device":[entry]} as text>"}, both
// texts in jsoncpp's default styled layout.
std::string activationRequest(const ActivationEntry& entry);

// What starts a multicast activation: vl_start_multi_activate, or a test's
// recorder put in its place (null puts the library's back). Set from a
// test's main thread while no activation starts.
using ActivationStarter = multicast_handle* (*)(const char* request, vl_json_callback callback, void* user);
void setActivationStarter(ActivationStarter starter);
ActivationStarter activationStarter();

// The multicast result code of one activation reply for the device whose
// "dev id" is `devId`: 11008 when the reply names another device, else the
// code of its "result" (activationResultCode). Members of another type than
// text read as absent (empty). Nothing for a null text or one that is no
// JSON object: such a reply is dropped.
std::optional<int> activationReplyCode(const char* json, const QString& devId);

// ---- Version ----------------------------------------------------------------------

// The version text of VLNet's version record (`size` bytes): Latin-1 from
// VLNET_PARAM_VERSION_TEXT up to its NUL, or to the record's end when the
// device left none; empty when the record is shorter than the offset.
QString versionText(const unsigned char* record, int size);

// ---- Date and time ---------------------------------------------------------------

// The date-time's UTC offset at that moment, in hours.
float utcOffsetHours(const QDateTime& dateTime);
// The index of the device's time zone nearest to `hours` (the earlier one
// of two equally near; 14, UTC, when none is nearer than 999 hours).
int timeZoneIndex(float hours);
// The web interface's texts: "DD/MM/YYYY", "hh:mm:ss" (24 hours), and
// "GMT+<whole hours>:00" of the offset, truncated toward zero ("GMT+-5:00"
// for five hours west); "GMT+0:00" for a date-time without a valid zone.
QString dateText(const QDateTime& dateTime);
QString timeText(const QDateTime& dateTime);
QString zoneText(const QDateTime& dateTime);
// The "data" of "/API/SystemConfig/DateTime/Set".
QJsonObject dateTimeData(const QDateTime& dateTime);
// The device's record with the date-time written into it: the clock, 24-hour
// and day-month-year modes, the zone, and the flag that makes the device
// take the time. Its NTP switch and every other byte stay as read.
void writeTimeRecord(VLNET_TIME_PARAM& record, const QDateTime& dateTime);

// The date-and-time operation's statuses.
constexpr int kDateTimeSet = 5;
constexpr int kDateTimeFailed = 6;
// The status of a DateTime/Set: failed without HTTP 200, and when the
// device answered a JSON object whose "result" is a text other than
// "success"; set otherwise (the device took the request and said nothing
// against it).
int dateTimeSetStatus(const WorkerFrame::Reply& reply);

} // namespace MaintenanceRequests
