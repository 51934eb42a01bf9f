#include "config_block.h"

#include "wire.h"

#include <cstring>

namespace vlnet
{

std::optional<std::vector<std::uint8_t>> importPayload(const VLNET_PARAM_IMPORT& record)
{
    if (record.size != sizeof(VLNET_PARAM_IMPORT) || record.length > VLNET_PARAM_IMPORT_DATA_MAX)
        return std::nullopt;
    std::vector<std::uint8_t> payload(VLNET_PARAM_IMPORT_HEAD_SIZE + record.length);
    std::memcpy(payload.data(), &record, payload.size());
    // The head tells the block's own size, as the export's does.
    vlwire::putU32(payload.data(), std::uint32_t(payload.size()));
    return payload;
}

std::optional<std::int32_t> exportedLength(const std::vector<std::uint8_t>& block)
{
    if (block.size() < VLNET_PARAM_IMPORT_HEAD_SIZE)
        return std::nullopt;
    const std::uint32_t length = vlwire::getU32(block.data() + 4);
    if (length > VLNET_PARAM_IMPORT_DATA_MAX || block.size() != VLNET_PARAM_IMPORT_HEAD_SIZE + length)
        return std::nullopt;
    return std::int32_t(length);
}

} // namespace vlnet
