#pragma once
// What the program reads of a device's web answers to the stream and OSD
// reads ("/API/StreamConfig/.../Get", "/API/ChannelConfig/OSD/Get"): the
// values of data.channel_info.CH1, whatever the number of channels the
// reply holds. Members of another JSON type than the one read count as
// missing (an empty text, 0). Pure functions, any thread.
#include <QJsonObject>
#include <QString>
#include <optional>

namespace StreamOsd
{

struct StreamReply {
    QString resolution;
    QString frameRate; // the fps as a decimal number
    QString codec;
    QString bitrateMode; // as the device sent it
    int userDefined = 0; // 1 for a bitrate_mode of exactly "UserDefined"
    int customBitrate = 0;
    int bitrate = 0;
};
// Nothing when the reply has no data.channel_info.CH1 object.
std::optional<StreamReply> streamReply(const QJsonObject& reply);

struct OsdReply {
    QString name;
    QString namePosition; // "x,y"
    QString datePosition;
};
std::optional<OsdReply> osdReply(const QJsonObject& reply);

// "x,y" in decimal.
QString position(int x, int y);

// The device said no: the reply is a JSON object whose "result" is a text
// other than "success". A reply without a textual "result" is no refusal.
bool refused(const QJsonObject& reply);

} // namespace StreamOsd
