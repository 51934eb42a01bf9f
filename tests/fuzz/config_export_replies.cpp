// What the program reads of a device's configuration export, as it writes
// the file: from a ParamManagement/Get reply only the cleaned Base64 text
// of data.param (encoded: printable ASCII without spaces that decodes
// whole) or the non-empty bytes it decodes to, nothing when the reply says
// it failed; from VLNet's block exactly its data bytes after the head,
// nothing of the block read for a length it refuses.
//   first byte bit 0: 0 the rest is the reply's text, bit 1 the encoding
//   flag; 1 the rest is the data after a 40-byte head of zeros, with the
//   length given as the second byte picks: 0..3 the data's own size, 4
//   -1, 5 one above the data area, 6 the largest int, 7 0
#include "fuzz.h"
#include "operations/ConfigTransferReplies.h"

#include <QJsonDocument>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace ConfigTransfer;

namespace
{

void readReply(const std::string& text, bool encoded)
{
    const QJsonObject reply = QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
    const auto bytes = exportFileBytes(reply, encoded);
    if (!bytes)
        return;
    if (bytes->isEmpty() || saysFailed(reply))
        std::abort();
    if (!encoded)
        return;
    for (const char c : *bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte > 0x7F)
            std::abort();
    }
    if (cleanExportText(*bytes) != *bytes
        || !QByteArray::fromBase64Encoding(*bytes, QByteArray::AbortOnBase64DecodingErrors))
        std::abort();
}

void readBlock(const std::string& data, std::uint8_t pick)
{
    const std::string block = std::string(VLNET_PARAM_IMPORT_HEAD_SIZE, '\0') + data;
    const std::int32_t own = std::int32_t(data.size());
    const std::int32_t lengths[] = { own, own, own, own, -1, VLNET_PARAM_IMPORT_DATA_MAX + 1, INT_MAX, 0 };
    const std::int32_t length = lengths[pick % 8];
    const auto bytes = exportBlockData(block.data(), length);
    const bool usable = length >= 0 && length <= VLNET_PARAM_IMPORT_DATA_MAX;
    if (bytes.has_value() != usable)
        std::abort();
    if (bytes && *bytes != QByteArray::fromStdString(data.substr(0, std::size_t(length))))
        std::abort();
    if (exportBlockData(nullptr, length))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    if (mode & 1) {
        const std::uint8_t pick = in.byte();
        readBlock(in.rest().substr(0, VLNET_PARAM_IMPORT_DATA_MAX), pick);
    } else {
        readReply(in.rest(), (mode & 2) != 0);
    }
    return 0;
}
