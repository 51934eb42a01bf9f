#pragma once
// The blocks of the configuration transfer of a logged-in media session
// (PROTOCOL.md, "Configuration transfer"): PARAM_IMPORT hands the device a
// configuration, EXPORT_BACKUP reads it back. The frames carry the 40-byte
// head of VLNET_PARAM_IMPORT and the data bytes used, never the unused rest
// of the record. Pure functions; an exported block is what the device sent
// and is checked before anything of it is handed on.
#include "vlnet.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace vlnet
{

// The PARAM_IMPORT payload of `record`: its head and `length` data bytes.
// Nothing when the record is not one (another size, a length above
// VLNET_PARAM_IMPORT_DATA_MAX).
std::optional<std::vector<std::uint8_t>> importPayload(const VLNET_PARAM_IMPORT& record);

// An EXPORT_BACKUP answer's data is a usable block when it holds the head
// and exactly the data length the head names (at most
// VLNET_PARAM_IMPORT_DATA_MAX); the length, else nothing.
std::optional<std::int32_t> exportedLength(const std::vector<std::uint8_t>& block);

} // namespace vlnet
