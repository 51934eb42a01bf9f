// What a device answers the program's stream and OSD reads, as the program
// reads it: whatever the text, a reply is a refusal or not, has CH1 or not,
// and the values taken from it are of their form: the frame rate a decimal
// number, the positions "x,y", the user-defined flag 1 exactly for
// "UserDefined".
//   the input: the reply's text
#include "fuzz.h"
#include "operations/StreamOsdReplies.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QJsonObject reply
        = QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data), int(size))).object();
    (void)StreamOsd::refused(reply);
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+$"));
    static const QRegularExpression position(QStringLiteral("^-?[0-9]+,-?[0-9]+$"));
    if (const auto s = StreamOsd::streamReply(reply)) {
        if (!number.match(s->frameRate).hasMatch())
            std::abort();
        if (s->userDefined != (s->bitrateMode == QLatin1String("UserDefined") ? 1 : 0))
            std::abort();
    }
    if (const auto o = StreamOsd::osdReply(reply)) {
        if (!position.match(o->namePosition).hasMatch() || !position.match(o->datePosition).hasMatch())
            std::abort();
    }
    return 0;
}
