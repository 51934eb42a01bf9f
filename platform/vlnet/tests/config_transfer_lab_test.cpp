// The stand-in's configuration transfer against simulated devices: the
// export's handler runs once, on the calling thread, and may call VLNet
// on the same connection; an import answers 1, 2 or 0 as the device does.
#include "events.h"
#include "support/vlnet_lab.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using vltest::Events;
using vltest::startV1;

namespace
{

const char* kPassword = "Admin_123";

class ConfigTransfer : public vltest::VlnetLabSuite
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "1500", "3000", "300" },
            { "--generate", "3", "--seed", "4", "--inactive-percent", "0" });
    }
    static std::string ip(int n) { return state(n)["network"]["ip"].asString(); }
};

struct Export {
    int handle = 0;
    int calls = 0;
    std::thread::id thread;
    std::vector<char> block;
    int length = -1;
    int nestedInfo = -1; // VLNetGetDevInfo's result inside the handler
};

void VLNET_CALL onBlock(const char* block, int32_t length, void* context)
{
    auto* e = static_cast<Export*>(context);
    ++e->calls;
    e->thread = std::this_thread::get_id();
    e->length = length;
    e->block.assign(block, block + VLNET_PARAM_IMPORT_HEAD_SIZE + length);
    VLNET_DEVICE_INFO info;
    e->nestedInfo = VLNetGetDevInfo(e->handle, &info, sizeof info);
}

} // namespace

TEST_F(ConfigTransfer, TheExportHandlerRunsOnceOnTheCallersThreadAndMayCallVlnet)
{
    Events ev;
    int h = startV1(ev, ip(0), "admin", kPassword, VLNET_PROTOCOL_MEDIA);
    ASSERT_TRUE(ev.waitStatus(101));
    Export e;
    e.handle = h;
    VLNET_EXPORT_BACKUP request { &e, &onBlock };
    EXPECT_EQ(VLNetExportBackupNew(h, &request), 1);
    EXPECT_EQ(e.calls, 1);
    EXPECT_EQ(e.thread, std::this_thread::get_id());
    EXPECT_EQ(e.nestedInfo, 1) << "a second call on the same connection is answered";
    ASSERT_GT(e.length, 0);
    EXPECT_EQ(std::string(e.block.data() + 8), state(0)["name"].asString());

    // The block loads back: 1. What the device cannot read: 0.
    auto record = std::make_unique<VLNET_PARAM_IMPORT>();
    std::memset(record.get(), 0, sizeof *record);
    record->size = sizeof *record;
    record->length = uint32_t(e.length);
    std::memcpy(record->data, e.block.data() + VLNET_PARAM_IMPORT_HEAD_SIZE, std::size_t(e.length));
    EXPECT_EQ(VLNetRemoteParamImportNew(h, record.get()), 1);
    record->length = 5;
    std::memcpy(record->data, "junk!", 5);
    EXPECT_EQ(VLNetRemoteParamImportNew(h, record.get()), 0);
    record->length = VLNET_PARAM_IMPORT_DATA_MAX + 1;
    EXPECT_EQ(VLNetRemoteParamImportNew(h, record.get()), 0) << "refused before sending";
    record->length = 5;
    record->size = 40;
    EXPECT_EQ(VLNetRemoteParamImportNew(h, record.get()), 0);
    EXPECT_EQ(VLNetRemoteParamImportNew(h, nullptr), 0);

    // No handler, no export.
    VLNET_EXPORT_BACKUP none { &e, nullptr };
    EXPECT_EQ(VLNetExportBackupNew(h, &none), 0);
    EXPECT_EQ(VLNetExportBackupNew(h, nullptr), 0);
    EXPECT_EQ(e.calls, 1);
    VLNetConnectionStop(&h);
    EXPECT_EQ(VLNetExportBackupNew(h, &request), 0) << "a stopped connection";
    EXPECT_EQ(e.calls, 1);
}

TEST_F(ConfigTransfer, AUserWithoutTheSettingsRightGetsTwoAndNoBlock)
{
    sim->must(R"({"cmd":"set","device":1,"state":{"users":[{"name":"guest","password":"Guest_123",)"
              R"("rights":{"settings":false}}]}})");
    Events ev;
    int h = startV1(ev, ip(1), "guest", "Guest_123", VLNET_PROTOCOL_MEDIA);
    ASSERT_TRUE(ev.waitStatus(101));
    Export e;
    e.handle = h;
    VLNET_EXPORT_BACKUP request { &e, &onBlock };
    EXPECT_EQ(VLNetExportBackupNew(h, &request), 0);
    EXPECT_EQ(e.calls, 0);
    auto record = std::make_unique<VLNET_PARAM_IMPORT>();
    std::memset(record.get(), 0, sizeof *record);
    record->size = sizeof *record;
    EXPECT_EQ(VLNetRemoteParamImportNew(h, record.get()), 2);
    VLNetConnectionStop(&h);
}
