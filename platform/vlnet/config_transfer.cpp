// VLNetRemoteParamImportNew and VLNetExportBackupNew over a media session;
// the blocks they carry are config_block.h's.
#include "config_block.h"
#include "netlog.h"
#include "runtime.h"
#include "session.h"
#include "wire.h"

#include <memory>
#include <utility>

namespace
{

std::shared_ptr<vlnet::Session> mediaSession(int handle)
{
    return std::dynamic_pointer_cast<vlnet::Session>(vlnet::Runtime::instance().find(handle));
}

} // namespace

extern "C" {

int VLNET_CALL VLNetRemoteParamImportNew(int handle, const VLNET_PARAM_IMPORT* record)
{
    if (!record)
        return 0;
    auto payload = vlnet::importPayload(*record);
    if (!payload) {
        vlnet::logLine("connection %d: configuration import refused: not an import record", handle);
        return 0;
    }
    auto session = mediaSession(handle);
    if (!session)
        return 0;
    const auto reply = session->exchange(vlwire::kParamImport, std::move(*payload));
    if (!reply) {
        vlnet::logLine("connection %d: configuration import got no answer", handle);
        return 0;
    }
    vlnet::logLine("connection %d: configuration import of %u bytes -> %d", handle, unsigned(record->length),
        int(reply->result));
    if (reply->result == vlwire::kOk)
        return 1;
    return reply->result == vlwire::kNoRight ? 2 : 0;
}

int VLNET_CALL VLNetExportBackupNew(int handle, const VLNET_EXPORT_BACKUP* request)
{
    if (!request || !request->handler)
        return 0;
    std::vector<std::uint8_t> block;
    {
        auto session = mediaSession(handle);
        if (!session)
            return 0;
        auto reply = session->exchange(vlwire::kExportBackup, {});
        if (!reply || reply->result != vlwire::kOk || !vlnet::exportedLength(reply->data)) {
            vlnet::logLine("connection %d: configuration export: %s", handle,
                !reply                             ? "no answer"
                    : reply->result != vlwire::kOk ? "the device refused it"
                                                   : "not a configuration block");
            return 0;
        }
        block = std::move(reply->data);
        // The session is let go before the handler runs: the handler may
        // open a dialog whose event loop stops this very connection.
    }
    const std::int32_t length = *vlnet::exportedLength(block);
    vlnet::logLine("connection %d: configuration export of %d bytes", handle, int(length));
    request->handler(reinterpret_cast<const char*>(block.data()), length, request->context);
    return 1;
}

} // extern "C"
