// What a client sends devsim, including what no client should send: the
// simulator refuses it and goes on serving every device.
#include "client_requests.h"
#include "common/json.h"
#include "simulator.h"

#include <gtest/gtest.h>

using namespace devsim;

TEST(DevsimLoginRequest, ReadsTheFourMembersAndRefusesOtherTypes)
{
    auto ok = readLoginRequest(R"({"user":"admin","digest":"ab","kind":"http","flags":2})");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->user, "admin");
    EXPECT_EQ(ok->digest, "ab");
    EXPECT_EQ(ok->kind, "http");
    EXPECT_EQ(ok->flags, 2);
    auto defaults = readLoginRequest("{}");
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->kind, "media");
    EXPECT_EQ(defaults->flags, 0);

    // Each of these once ended the simulator with all its devices.
    for (const char* bad : {
             R"({"user":"admin","digest":"x","kind":"media","flags":"x"})",
             R"({"user":{}})",
             R"({"user":"a","flags":1e20})",
             R"({"kind":[1]})",
             "[1]",
             "not json",
             "",
         })
        EXPECT_FALSE(readLoginRequest(bad)) << bad;
}

TEST(DevsimProbeFilter, AnEmptyOrMacFilterAndNothingElse)
{
    EXPECT_EQ(readProbeFilter("")->mac, "");
    EXPECT_EQ(readProbeFilter("{}")->mac, "");
    EXPECT_FALSE(readProbeFilter("{}")->oemType);
    EXPECT_EQ(readProbeFilter(R"({"mac":"00:11:22:33:44:55"})")->mac, "00:11:22:33:44:55");
    EXPECT_EQ(readProbeFilter(R"({"oem_type":11})")->oemType, 11);
    EXPECT_FALSE(readProbeFilter(R"({"mac":{}})"));
    EXPECT_FALSE(readProbeFilter(R"({"mac":5})"));
    EXPECT_FALSE(readProbeFilter(R"({"oem_type":256})"));
    EXPECT_FALSE(readProbeFilter(R"({"oem_type":"11"})"));
    EXPECT_FALSE(readProbeFilter("{"));
}

TEST(DevsimControl, ARebootTooLongForTheClockIsRefused)
{
    Options options;
    options.generate.count = 2;
    std::FILE* quiet = std::fopen("/dev/null", "w");
    ASSERT_NE(quiet, nullptr);
    {
        EventLog log(quiet);
        Simulator sim(options, log);
        sim.load();
        for (const char* bad :
            { R"({"cmd":"reboot","device":0,"seconds":1e10})", R"({"cmd":"reboot","device":0,"seconds":-1})",
                R"({"cmd":"reboot","device":0,"seconds":"1"})" }) {
            Json::Value request;
            ASSERT_TRUE(vljson::parse(bad, request));
            const Json::Value answer = sim.control(request);
            EXPECT_FALSE(answer["ok"].asBool()) << bad;
        }
        Json::Value request;
        ASSERT_TRUE(vljson::parse(R"({"cmd":"reboot","device":0,"seconds":0.5})", request));
        const Json::Value answer = sim.control(request);
        EXPECT_TRUE(answer["ok"].asBool()) << vljson::write_compact(answer);
        EXPECT_EQ(answer["ms"].asInt(), 500);
    }
    std::fclose(quiet);
}
