// The login response: the device-information record as one JSON object.
#include "common/json.h"
#include "core/device_record.h"

#include <cstring>
#include <gtest/gtest.h>
#include <json/json.h>
#include <string>

using namespace vlsdk;

namespace
{

struct Record {
    device_record r;
    Record() { std::memset(&r, 0, sizeof r); }
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(&r); }
    void u32(size_t offset, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes()[offset + i] = uint8_t(v >> (8 * i));
    }
    void text(size_t offset, const std::string& t) { std::memcpy(bytes() + offset, t.data(), t.size()); }
    Json::Value json() const
    {
        Json::Value v;
        EXPECT_TRUE(vljson::parse(login_rsp_text(r).c_str(), v));
        return v;
    }
};

} // namespace

TEST(LoginRsp, AllZeroRecord)
{
    Record rec;
    const std::string text = login_rsp_text(rec.r);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find("\n\t\""), std::string::npos) << "styled: a tab per level, a member per line";
    const Json::Value v = rec.json();
    ASSERT_TRUE(v.isObject());
    int checked = 0;
    for (const auto& key : v.getMemberNames()) {
        const Json::Value& m = v[key];
        if (m.isString()) {
            EXPECT_EQ(m.asString(), "") << key;
        } else if (m.isArray()) {
            EXPECT_EQ(m.size(), 8u) << key;
            for (const auto& w : m)
                EXPECT_EQ(w.asUInt(), 0u) << key;
        } else if (m.isObject()) {
            for (const auto& inner : m.getMemberNames())
                EXPECT_EQ(m[inner].asInt(), 0) << key << "." << inner;
        } else {
            EXPECT_EQ(m.asInt(), 0) << key;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 131) << "every field of the record has its key, but the three of the HTTP API";
    EXPECT_EQ(v["UiType"], 0);
    EXPECT_FALSE(v.isMember("UI52Type"));
    EXPECT_EQ(v["p2pId"], "");
    EXPECT_FALSE(v.isMember("http_api_version"));
    EXPECT_FALSE(v.isMember("https_port"));
    EXPECT_FALSE(v.isMember("support_http_api_config_net"));
    EXPECT_TRUE(v.isMember("sys_channel_num"));
    EXPECT_TRUE(v.isMember("support_new_schedule"));
    EXPECT_EQ(v["FishEye"].size(), 5u);
    EXPECT_EQ(v["autoFocus"].size(), 5u);
    EXPECT_FALSE(v.isMember("isFishEye")) << "the fisheye members live only inside their object";
    EXPECT_FALSE(v.isMember("PTZVersion"));
    EXPECT_EQ(record_device_type(rec.r), 0);
    EXPECT_EQ(record_channel_count(rec.r), 0);
}

TEST(LoginRsp, UiType52IsShownAs50)
{
    struct Case {
        uint8_t stored;
        int shown;
        bool ui52;
    } cases[] = { { 52, 50, true }, { 51, 51, false }, { 50, 50, false }, { 255, 255, false } };
    for (const auto& c : cases) {
        Record rec;
        rec.bytes()[234] = c.stored;
        const Json::Value v = rec.json();
        EXPECT_EQ(v["UiType"], c.shown) << int(c.stored);
        EXPECT_EQ(v.isMember("UI52Type"), c.ui52) << int(c.stored);
        if (c.ui52) {
            EXPECT_EQ(v["UI52Type"], true);
        }
    }
}

TEST(LoginRsp, TextsThatMustBeginWithALetterOrDigit)
{
    struct Case {
        const char* text;
        bool shown;
    } cases[] = {
        { "VLP2P123", true },
        { "9abc", true },
        { "z", true },
        { " VLP2P", false },
        { "-x", false },
        { "\xC3\xA9t\xC3\xA9", false },
    };
    for (const auto& c : cases) {
        Record rec;
        rec.text(248, c.text);
        rec.text(876, c.text);
        rec.u32(872, 8443);
        rec.bytes()[892] = 1;
        const Json::Value v = rec.json();
        EXPECT_EQ(v["p2pId"].asString(), c.shown ? c.text : "") << c.text;
        EXPECT_EQ(v.isMember("http_api_version"), c.shown) << c.text;
        EXPECT_EQ(v.isMember("https_port"), c.shown) << c.text;
        EXPECT_EQ(v.isMember("support_http_api_config_net"), c.shown) << c.text;
        if (c.shown) {
            EXPECT_EQ(v["http_api_version"], c.text);
            EXPECT_EQ(v["https_port"], 8443);
            EXPECT_EQ(v["support_http_api_config_net"], 1);
        }
    }
}

TEST(LoginRsp, TextsThatFillTheirSlotEndAtItsEnd)
{
    Record rec;
    rec.text(624, std::string(96, 'S')); // SerialNumber up to offset 720
    rec.bytes()[720] = 7; // MaxCloudPictureUploadNum right behind
    rec.text(248, std::string(35, 'P')); // p2pId up to offset 283
    rec.bytes()[283] = 9; // PushType
    rec.text(8, std::string(36, 'V')); // DevVer
    rec.text(44, "Name");
    const Json::Value v = rec.json();
    EXPECT_EQ(v["SerialNumber"], std::string(96, 'S'));
    EXPECT_EQ(v["MaxCloudPictureUploadNum"], 7);
    EXPECT_EQ(v["p2pId"], std::string(35, 'P'));
    EXPECT_EQ(v["PushType"], 9);
    EXPECT_EQ(v["DevVer"], std::string(36, 'V'));
    EXPECT_EQ(v["DeviceName"], "Name");
}

TEST(LoginRsp, FieldsAndBitFieldsAtTheirPlaces)
{
    Record rec;
    rec.bytes()[230] = 0xF5;
    rec.bytes()[232] = 0x2C; // PasswordSwitch 3, NvrFlag 2
    rec.bytes()[247] = 0xA4; // GetAlarmChns, eSATAEnabled 10
    rec.bytes()[460] = 1;
    rec.bytes()[287] = 0x32; // HkDomeFlag, NewEmailTest, UserNameFlag
    rec.u32(288 + 4 * 7, 0x80000000u); // PreviewChannel_EX word 7
    rec.u32(552, 5); // ControlBitArray word 0
    rec.u32(436, 11); // autoFocus.mixZoomPosition
    rec.bytes()[452] = 2; // autoFocus.PTZVersion
    rec.bytes()[422] = 4; // FishEye.curShowMode
    rec.bytes()[164] = 0x34; // TotalFPS 0x1234
    rec.bytes()[165] = 0x12;
    rec.u32(500, 0xFFFFFFFFu); // ControlBit2, unsigned
    const Json::Value v = rec.json();
    EXPECT_EQ(v["AutoMaintenance"], 1);
    EXPECT_EQ(v["CloudSGSerSwitch"], 10);
    EXPECT_EQ(v["ShieldColorSetFlag"], 1);
    EXPECT_EQ(v["IntelligentAnalysis"], 1);
    EXPECT_EQ(v["RemoteUpgradeMode"], 1);
    EXPECT_TRUE(record_intelligent_analysis(rec.r));
    EXPECT_EQ(v["PasswordSwitch"], 3);
    EXPECT_EQ(v["NvrFlag"], 2);
    EXPECT_EQ(v["GetAlarmChns"], 1);
    EXPECT_EQ(v["eSATAEnabled"], 10);
    EXPECT_EQ(v["ZeroChFlag"], 0);
    EXPECT_EQ(v["WizardFlag"], 1);
    EXPECT_EQ(v["HkDomeFlag"], 1);
    EXPECT_EQ(v["NewEmailTest"], 1);
    EXPECT_EQ(v["UserNameFlag"], 1);
    EXPECT_EQ(v["PreviewChannel_EX"][7].asUInt(), 0x80000000u);
    EXPECT_EQ(v["ControlBitArray"][0].asUInt(), 5u);
    EXPECT_EQ(v["autoFocus"]["mixZoomPosition"].asUInt(), 11u);
    EXPECT_EQ(v["autoFocus"]["PTZVersion"], 2);
    EXPECT_EQ(v["FishEye"]["curShowMode"], 4);
    EXPECT_EQ(v["TotalFPS"], 0x1234);
    EXPECT_EQ(v["ControlBit2"].asUInt(), 0xFFFFFFFFu);
}

TEST(LoginRsp, DeviceTypeAndChannelCount)
{
    Record rec;
    rec.u32(4, 3u << 8);
    EXPECT_EQ(record_device_type(rec.r), 3);
    EXPECT_EQ(rec.json()["HighType"], 768);
    rec.u32(0, 0xFFFFFFFFu);
    rec.u32(4, 0xFFFFF4FFu); // type 4 among other bits
    EXPECT_EQ(record_device_type(rec.r), 4);

    rec.bytes()[166] = 16;
    EXPECT_EQ(record_channel_count(rec.r), 16) << "sys_channel_num 0: ChannelNum";
    rec.u32(724, 64);
    EXPECT_EQ(record_channel_count(rec.r), 64);
    const Json::Value v = rec.json();
    EXPECT_EQ(v["ChannelNum"], 16);
    EXPECT_EQ(v["sys_channel_num"], 64);
}
