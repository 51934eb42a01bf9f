#pragma once
// The widget-free part of the IP-range search (the page is
// search/ui/ExtranetsearchFrame): the choice of transport, the start of a
// search over VLSDKWrapper (vl_search_device) or VLNet
// (VLNetSearchDevPoint2Point), the reading of the wrapper's answers into
// search records, and the list of the devices one search found.
//
// Pure functions: any thread. RangeSearchList: see its own paragraph.
#include "devices/SearchDevRsp.h"
#include "vlnet.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>

class DeviceInfo;
class QThread;

namespace RangeSearch
{

// The search goes through vl_search_device: the edition always uses it, or
// the protocol setting is 0 (the web interface); else through VLNet.
bool throughWrapper();

// The request of vl_search_device: {"oem type", "start ip", "stop ip"}, the
// edition's code and the two texts as typed (Latin-1; not checked here:
// the search ends with its end call alone for a range it cannot search).
QByteArray wrapperRequest(const QString& start, const QString& stop);

// VLNet's start record, zero-filled: the callback and its user pointer, the
// device-type byte 7, at most 16 bytes of each text's Latin-1 form in its
// field, the default time-out (0).
void fillPoint2Point(VLNET_SEARCH_DEV_POINT2POINT& start, const QString& startIp, const QString& stopIp,
    VLNET_SEARCH_CALLBACK callback, void* user);

// Reads one answer of vl_search_device (a JSON object of one device) into
// `record`, which it zero-fills first. Texts are cut to their fields;
// numbers keep the low bits their field holds ("rtsp port" 70000 gives
// 4464); a member that is absent, null or of another JSON type reads as 0
// or the empty text; unknown members are ignored. False, `record`
// untouched, when the text is no JSON object. Never throws.
bool recordFromJson(const char* json, SearchDevRsp& record);

} // namespace RangeSearch

// The devices one range search found, gathered on the searches' callback
// threads, published on the GUI thread at its end. Its records belong to
// the list until they are published (then to DeviceInfoMng); clear() drops
// them, it deletes nothing.
//
// Threads: every member may be called from any thread; `listMutex` guards
// `foundList` and is held only inside the calls.
class RangeSearchList
{
public:
    // A new device record for `record` (no parent, moved to `guiThread`),
    // appended in arrival order; returns it.
    DeviceInfo* add(const SearchDevRsp& record, QThread* guiThread);
    // Sorts the list by lessByIpAddress and returns a copy of it.
    QList<DeviceInfo*> sorted();
    // Empties the list and returns what it held.
    QList<DeviceInfo*> takeAll();
    // Removes the first occurrence of `device`; true when one was removed
    // and the list is empty now.
    bool remove(DeviceInfo* device);
    int count();

private:
    QMutex listMutex;
    QList<DeviceInfo*> foundList;
};
