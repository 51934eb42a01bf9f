#pragma once
// What the workers of operations 23 to 25 send: the device's new name and
// type (over the web interface, or VLNet's device-information record of
// message 700) and the developer switches' query. Pure functions; the
// workers themselves are DeviceInfo members (DeviceInfo.h).
#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace DeviceNameRequests
{

// The longest text of the record's name and type fields: 31 bytes of UTF-8
// before the zero that ends the 32-byte field.
constexpr int kRecordTextMax = 31;

// The 1032-byte device-information record of message 700 that changes the
// name and/or the type: its size, the change flags of the texts given
// (0x20 name, 0x10 type), each text cut to 31 bytes and zero-padded to its
// 32-byte field, every other byte zero. An empty text changes nothing.
QByteArray deviceInfoRecord(const QByteArray& name, const QByteArray& type);

// The web interface's body: {"version":"1.0","data":{"device_name",
// "device_type"}}, each member only for a text that is not empty;
// {"version":"1.0"} with neither.
QByteArray nameAndTypeBody(const QString& name, const QString& type);

// Op 23 goes through the web interface where the edition says so or the
// protocol setting is the web interface (0); VLNet otherwise.
bool nameAndTypeOverWeb(bool editionOverWeb, int protocol);
// The same from the program's settings. Any thread.
bool nameAndTypeOverWeb();

// The developer switches' query: {"version":"1.0"}, with "data":"" when the
// stored telnet switch text is exactly "true".
QByteArray developerModeBody(const QString& telnetSwitch);

// A member of a reply's "data" that ought to be a text; empty when it is
// missing or of another JSON type.
QString textMember(const QJsonObject& data, const QString& name);

} // namespace DeviceNameRequests
