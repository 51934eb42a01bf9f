#pragma once
// The multicast search as the program asks for it and reads its answers:
// the request texts of the customer edition, and the parse of one answer
// that VLSDKWrapper hands to a search callback (vl_start_multi_search) into
// a search record. Both multicast receivers (the background searcher and the
// search page) use the parse. Pure functions; any thread.
#include "devices/SearchDevRsp.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct EditionProfile;

// The request texts for vl_start_multi_search, one per search to run at the
// same time: {"delay": 200, "timeout": 3000}, with "must understand" and
// "manufactures" where the edition filters by maker; an edition that filters
// and also wants the other makers gets a second, unfiltered request.
QVector<QByteArray> multicastSearchRequests(const EditionProfile& edition);

// One call of a multicast search callback, read.
struct MulticastAnswer {
    enum class Kind {
        // A null text: the search has ended.
        End,
        // A device: `record` is filled, `limits` holds its "dev_limit" object
        // as compact JSON text (empty when it sent none).
        Device,
        // A socket failure the wrapper reports before the end ({"msg",
        // "info"} and no "mac"): `error` says what; log it and go on.
        Error,
        // A text that is no JSON object: not a device and not the end; skip it.
        Unreadable,
    };
    Kind kind = Kind::End;
    SearchDevRsp record {};
    QByteArray limits;
    QString error;
};

// Reads the text of one multicast search callback (valid during the call;
// null at the end). Keys of the device object and what they fill:
//   texts ("wired ip", "wired mask", "wired gateway", "wired dns1",
//   "wired dns2", "dev type", "software", "dev name", "mac", "p2pid",
//   "manufacture", "serial number", "dev id", "dev enc", "ipv6"): copied up
//   to their field's width, a text that fills the field without terminator;
//   numbers ("media port", "web port", "channel num", "sys channel num",
//   "analog num"): as 32-bit integers, "rtsp port" its low 16 bits;
//   "activated": the not-activated flag is 1 unless it is true;
//   "dhcp": "static" 2, "dhcp" 0, "pppoe" 1, "3g" 3, "wifi" 4, any other 5;
//   "dev data": "year-month-day" into the record's date, else no date.
// A missing key, or a value of another JSON type, reads as 0, the empty
// text or false.
MulticastAnswer parseMulticastAnswer(const char* text);
