// What a device answers the stand-in's configuration export, and the import
// record a caller hands it: an export block is taken only when it holds the
// head and exactly the data length the head names, within the record's data
// area; an import record becomes the head and its data bytes, which the
// export's check then takes back with the same length.
//   first byte bit 0: 0 the rest is an export block as the device sent it;
//   1 the rest is an import record's head (40 bytes, the size word set to
//   the record's own size when bit 1 is set) and its data
#include "config_block.h"
#include "fuzz.h"
#include "wire.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace vlnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const std::uint8_t mode = in.byte();
    const std::string rest = in.rest();
    if (!(mode & 1)) {
        const std::vector<std::uint8_t> block(rest.begin(), rest.end());
        if (const auto length = exportedLength(block)) {
            if (*length < 0 || *length > VLNET_PARAM_IMPORT_DATA_MAX
                || block.size() != VLNET_PARAM_IMPORT_HEAD_SIZE + std::size_t(*length)
                || vlwire::getU32(block.data() + 4) != std::uint32_t(*length))
                std::abort();
        }
        return 0;
    }

    static const auto record = std::make_unique<VLNET_PARAM_IMPORT>();
    std::memset(record.get(), 0, VLNET_PARAM_IMPORT_HEAD_SIZE);
    std::memcpy(record.get(), rest.data(), std::min<std::size_t>(rest.size(), VLNET_PARAM_IMPORT_HEAD_SIZE));
    if (mode & 2)
        record->size = sizeof(VLNET_PARAM_IMPORT);
    if (rest.size() > VLNET_PARAM_IMPORT_HEAD_SIZE)
        std::memcpy(record->data, rest.data() + VLNET_PARAM_IMPORT_HEAD_SIZE,
            std::min<std::size_t>(rest.size() - VLNET_PARAM_IMPORT_HEAD_SIZE, VLNET_PARAM_IMPORT_DATA_MAX));
    const auto payload = importPayload(*record);
    if (!payload)
        return 0;
    if (record->size != sizeof(VLNET_PARAM_IMPORT) || record->length > VLNET_PARAM_IMPORT_DATA_MAX
        || payload->size() != VLNET_PARAM_IMPORT_HEAD_SIZE + record->length
        || std::memcmp(payload->data() + 4, reinterpret_cast<const std::uint8_t*>(record.get()) + 4,
               payload->size() - 4)
            != 0)
        std::abort();
    const auto back = exportedLength(*payload);
    if (!back || std::uint32_t(*back) != record->length)
        std::abort();
    return 0;
}
