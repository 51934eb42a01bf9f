// The stream and OSD settings of a device without a network: records read
// and written, the values a write is refused for, the web forms over the
// same state, and the state file.
#include "common/json.h"
#include "param_messages.h"
#include "state_json.h"
#include "store.h"
#include "stream_osd.h"
#include "wire.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace devsim;

namespace
{

Json::Value parse(const std::string& json)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(json, v)) << json;
    return v;
}

Device recorder(int channels)
{
    Device d;
    d.kind = Kind::Nvr;
    d.channels.resize(std::size_t(channels));
    for (int c = 0; c < channels; ++c)
        d.channels[std::size_t(c)].name = "CH" + std::to_string(c + 1);
    return d;
}

} // namespace

TEST(StreamOsd, RecordsOfTheDefaultsAsAReadGivesThem)
{
    const Device d = recorder(2);
    const VLNET_STREAM_PARAM main = streamRecord(d, 0, 1);
    EXPECT_EQ(main.size, 132);
    EXPECT_EQ(main.channel, 1);
    EXPECT_EQ(main.resolutions[main.resolution_index].width, 1920);
    EXPECT_EQ(main.resolutions[main.resolution_index].height, 1080);
    EXPECT_EQ(main.fps, 25);
    EXPECT_EQ(main.video_enc_type, VLNET_CODEC_H264);
    EXPECT_EQ(main.bitrate_mode, 0);
    EXPECT_EQ(levelBitrate(0, main.bitrate), 2048);
    const VLNET_STREAM_PARAM mobile = streamRecord(d, 2, 0);
    EXPECT_EQ(resolutionName(2, mobile.resolution_index), "352*288");
    EXPECT_EQ(mobile.resolutions[5].width, 0) << "the mobile stream offers five resolutions";
    const VLNET_OSD_PARAM osd = osdRecord(d, 1);
    EXPECT_EQ(osd.size, 1696);
    EXPECT_STREQ(osd.name, "CH2");
    EXPECT_EQ(osd.show_name, 1);
    EXPECT_EQ(osd.date_format, VLNET_OSD_DATE_YMD);
}

TEST(StreamOsd, LevelsAndStreamsOfMessages)
{
    EXPECT_EQ(levelBitrate(0, 28), 3072);
    EXPECT_EQ(levelBitrate(0, 29), 16384);
    EXPECT_EQ(levelBitrate(1, 23), 5120);
    EXPECT_EQ(levelBitrate(1, 24), 0);
    EXPECT_EQ(streamOfMessage(570), 0);
    EXPECT_EQ(streamOfMessage(572), 2);
    EXPECT_EQ(streamOfMessage(573), -1);
}

TEST(StreamOsd, StreamWritesTakeOfferedValuesOnlyAndChangeNothingWhenRefused)
{
    struct Case {
        const char* what;
        int stream;
        int videoFormat;
        void (*change)(VLNET_STREAM_PARAM&);
        bool taken;
    };
    const Case cases[] = {
        { "another resolution", 0, 0, [](VLNET_STREAM_PARAM& r) { r.resolution_index = 7; }, true },
        { "index past the list", 0, 0, [](VLNET_STREAM_PARAM& r) { r.resolution_index = 8; }, false },
        { "an entry the mobile stream lacks", 2, 0, [](VLNET_STREAM_PARAM& r) { r.resolution_index = 5; },
            false },
        { "fps 0", 0, 0, [](VLNET_STREAM_PARAM& r) { r.fps = 0; }, false },
        { "fps 30 on PAL", 0, 0, [](VLNET_STREAM_PARAM& r) { r.fps = 30; }, false },
        { "fps 30 on NTSC", 0, 1, [](VLNET_STREAM_PARAM& r) { r.fps = 30; }, true },
        { "H265+ on main", 0, 0, [](VLNET_STREAM_PARAM& r) { r.video_enc_type = VLNET_CODEC_H265_PLUS; },
            true },
        { "MJPEG on main", 0, 0, [](VLNET_STREAM_PARAM& r) { r.video_enc_type = VLNET_CODEC_MJPEG; }, false },
        { "MJPEG on sub", 1, 0, [](VLNET_STREAM_PARAM& r) { r.video_enc_type = VLNET_CODEC_MJPEG; }, true },
        { "codec 7", 1, 0, [](VLNET_STREAM_PARAM& r) { r.video_enc_type = 7; }, false },
        { "level 29 on main", 0, 0, [](VLNET_STREAM_PARAM& r) { r.bitrate = 29; }, true },
        { "level 24 on sub", 1, 0, [](VLNET_STREAM_PARAM& r) { r.bitrate = 24; }, false },
        { "custom 16384 on main", 0, 0,
            [](VLNET_STREAM_PARAM& r) {
                r.bitrate_mode = 1;
                r.custom_bitrate = 16384;
            },
            true },
        { "custom 6000 on sub", 1, 0,
            [](VLNET_STREAM_PARAM& r) {
                r.bitrate_mode = 1;
                r.custom_bitrate = 6000;
            },
            false },
        // The level does not count in the custom form.
        { "custom with level 200", 0, 0,
            [](VLNET_STREAM_PARAM& r) {
                r.bitrate_mode = 1;
                r.custom_bitrate = 4000;
                r.bitrate = 200;
            },
            true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Device d = recorder(4);
        d.videoFormat = c.videoFormat;
        VLNET_STREAM_PARAM r = streamRecord(d, c.stream, 2);
        c.change(r);
        const Json::Value before = deviceToJson(d, false);
        std::string why;
        EXPECT_EQ(applyStreamRecord(d, c.stream, 2, r, &why), c.taken) << why;
        if (!c.taken) {
            EXPECT_FALSE(why.empty());
            EXPECT_EQ(deviceToJson(d, false), before);
            continue;
        }
        // What was taken reads back as written (the level of the custom
        // form stays the device's).
        VLNET_STREAM_PARAM back = streamRecord(d, c.stream, 2);
        if (r.bitrate_mode)
            back.bitrate = r.bitrate;
        EXPECT_EQ(std::memcmp(&back, &r, sizeof r), 0);
        EXPECT_EQ(streamRecord(d, c.stream, 1).fps, 25) << "another channel stays";
    }
}

TEST(StreamOsd, OsdWritesCheckTheNameAndTheForms)
{
    struct Case {
        const char* what;
        void (*change)(VLNET_OSD_PARAM&);
        bool taken;
        const char* name;
    };
    const Case cases[] = {
        { "positions and a non-ASCII name",
            [](VLNET_OSD_PARAM& r) {
                r.name_x = 65535;
                r.date_y = 7;
                std::memset(r.name, 0, sizeof r.name);
                std::strcpy(r.name, "Tür Ost 東");
            },
            true, "Tür Ost 東" },
        { "a name of 40 bytes without its end",
            [](VLNET_OSD_PARAM& r) { std::memset(r.name, 'a', sizeof r.name); }, true,
            "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa" },
        { "an empty name", [](VLNET_OSD_PARAM& r) { std::memset(r.name, 0, sizeof r.name); }, true, "" },
        { "a name that is no UTF-8",
            [](VLNET_OSD_PARAM& r) {
                r.name[0] = char(0xE9);
                r.name[1] = 0;
            },
            false, nullptr },
        { "date format 3", [](VLNET_OSD_PARAM& r) { r.date_format = 3; }, false, nullptr },
        { "12 hours", [](VLNET_OSD_PARAM& r) { r.time_format = 1; }, true, "CH1" },
        { "time format 2", [](VLNET_OSD_PARAM& r) { r.time_format = 2; }, false, nullptr },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Device d = recorder(1);
        VLNET_OSD_PARAM r = osdRecord(d, 0);
        c.change(r);
        std::string why;
        ASSERT_EQ(applyOsdRecord(d, 0, r, &why), c.taken) << why;
        if (!c.taken) {
            EXPECT_EQ(d.channels[0].name, "CH1");
            continue;
        }
        EXPECT_EQ(d.channels[0].name, c.name);
        const VLNET_OSD_PARAM back = osdRecord(d, 0);
        EXPECT_EQ(std::memcmp(&back, &r, sizeof r), 0);
    }
}

TEST(StreamOsd, WhatOneTransportWritesTheOtherReads)
{
    Device d = recorder(4);
    // Web write, VLNet read.
    std::string why;
    ASSERT_TRUE(applyWebStream(d, 0,
        parse(R"({"channel_info":{"CH1":{"resolution":"2560*1440","fps":12,"bitrate_mode":"Predefined",)"
              R"("bitrate":3072,"custom_bitrate":0,"video_encode_type":"H265","chn_index":"CH1"}}})"),
        &why))
        << why;
    VLNET_STREAM_PARAM r = streamRecord(d, 0, 0);
    EXPECT_EQ(resolutionName(0, r.resolution_index), "2560*1440");
    EXPECT_EQ(r.fps, 12);
    EXPECT_EQ(r.bitrate, 28) << "3072 is level 28 of the main stream";
    EXPECT_EQ(r.video_enc_type, VLNET_CODEC_H265);
    EXPECT_EQ(r.custom_bitrate, 2048) << "a custom value of 0 is not taken in the predefined form";
    // VLNet write, web read.
    r.bitrate_mode = 1;
    r.custom_bitrate = 777;
    ASSERT_TRUE(applyStreamRecord(d, 0, 0, r, &why)) << why;
    const Json::Value ch1 = webStream(d, 0)["channel_info"]["CH1"];
    EXPECT_EQ(ch1["bitrate_mode"].asString(), "UserDefined");
    EXPECT_EQ(ch1["bitrate"].asInt(), 777);
    EXPECT_EQ(ch1["custom_bitrate"].asInt(), 777);
    EXPECT_EQ(ch1["resolution"].asString(), "2560*1440");
    EXPECT_EQ(webStream(d, 0)["channel_info"].size(), 4u);

    VLNET_OSD_PARAM o = osdRecord(d, 2);
    std::memset(o.name, 0, sizeof o.name);
    std::strcpy(o.name, "Einfahrt Süd");
    o.name_x = 100;
    o.date_y = 900;
    ASSERT_TRUE(applyOsdRecord(d, 2, o, &why)) << why;
    const Json::Value osd = webOsd(d, parse(R"({"version":"1.0","channel":["CH3","CH9",7]})"));
    ASSERT_EQ(osd["channel_info"].size(), 1u) << "channels the device lacks are left out";
    EXPECT_EQ(osd["channel_info"]["CH3"]["name"]["text"].asString(), "Einfahrt Süd");
    EXPECT_EQ(osd["channel_info"]["CH3"]["name"]["pos"]["x"].asInt(), 100);
    EXPECT_EQ(osd["channel_info"]["CH3"]["datetime"]["pos"]["y"].asInt(), 900);
    EXPECT_EQ(webOsd(d, parse(R"({"version":"1.0"})"))["channel_info"].size(), 4u);

    ASSERT_TRUE(applyWebOsd(d,
        parse(
            R"({"channel_max":1,"channel_info":{"CH1":{"status":"Online","name":{"show":true,"text":"Hof",)"
            R"("pos":{"x":5,"y":6}},"alarm":{"show":true},"datetime":{"show":false,"date_format":"DD-MM-YYYY",)"
            R"("time_format":12,"time":{"year":2026},"pos":{"x":7,"y":8}}}}})"),
        &why))
        << why;
    o = osdRecord(d, 0);
    EXPECT_STREQ(o.name, "Hof");
    EXPECT_EQ(o.name_y, 6);
    EXPECT_EQ(o.date_x, 7);
    EXPECT_EQ(o.show_date, 0);
    EXPECT_EQ(o.date_format, VLNET_OSD_DATE_DMY);
    EXPECT_EQ(o.time_format, 1);
}

TEST(StreamOsd, WebWritesAreCheckedWholeBeforeAnythingChanges)
{
    const char* refused[] = {
        R"({})",
        R"({"channel_info":[]})",
        R"({"channel_info":{"CH5":{"fps":10}}})",
        R"({"channel_info":{"CH1":{"fps":10},"CH2":{"resolution":"1*1"}}})",
        R"({"channel_info":{"CH1":{"fps":"10"}}})",
        R"({"channel_info":{"CH1":{"video_encode_type":"MJPEG"}}})",
        R"({"channel_info":{"CH1":{"bitrate_mode":"Predefined","bitrate":3000}}})",
        R"({"channel_info":{"CH1":{"bitrate_mode":"userdefined"}}})",
        R"({"channel_info":{"CH1":{"bitrate_mode":"UserDefined","custom_bitrate":20000}}})",
        R"([1])",
    };
    for (const char* body : refused) {
        SCOPED_TRACE(body);
        Device d = recorder(4);
        const Json::Value before = deviceToJson(d, false);
        std::string why;
        EXPECT_FALSE(applyWebStream(d, 0, parse(body), &why));
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(deviceToJson(d, false), before);
    }
    const char* refusedOsd[] = {
        R"({"channel_info":{"CH1":{"name":{"text":"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"}}}})",
        R"({"channel_info":{"CH1":{"name":{"pos":{"x":-1}}}}})",
        R"({"channel_info":{"CH1":{"datetime":{"pos":{"y":65536}}}}})",
        R"({"channel_info":{"CH1":{"datetime":{"date_format":"YY"}}}})",
        R"({"channel_info":{"CH1":{"name":{"text":"ok"}},"CH2":{"name":[]}}})",
        R"({"channel_info":{"CH1":"x"}})",
    };
    for (const char* body : refusedOsd) {
        SCOPED_TRACE(body);
        Device d = recorder(4);
        const Json::Value before = deviceToJson(d, false);
        std::string why;
        EXPECT_FALSE(applyWebOsd(d, parse(body), &why));
        EXPECT_EQ(deviceToJson(d, false), before);
    }
}

TEST(StreamOsd, TheStateKeepsTheSettingsAndChecksThem)
{
    Device d = recorder(2);
    std::string error;
    ASSERT_TRUE(applyDeviceJson(d,
        parse(R"({"channels":[{"streams":{"sub":{"fps":30,"codec":"MJPEG","bitrate_mode":"UserDefined",)"
              R"("custom_bitrate":100}},"osd":{"name_x":3,"date_format":"MM-DD-YYYY"}},{}]})"),
        &error))
        << error;
    const Json::Value state = deviceToJson(d, false);
    const Json::Value sub = state["channels"][0]["streams"]["sub"];
    EXPECT_EQ(sub["fps"].asInt(), 30);
    EXPECT_EQ(sub["codec"].asString(), "MJPEG");
    EXPECT_EQ(sub["resolution"].asString(), "704*576") << "keys left out keep their values";
    EXPECT_EQ(state["channels"][0]["osd"]["date_format"].asString(), "MM-DD-YYYY");
    EXPECT_EQ(state["channels"][1]["streams"]["sub"]["fps"].asInt(), 25);

    Device copy = recorder(2);
    Json::Value channels(Json::objectValue);
    channels["channels"] = state["channels"];
    ASSERT_TRUE(applyDeviceJson(copy, channels, &error)) << error;
    EXPECT_EQ(deviceToJson(copy, false)["channels"], state["channels"]);

    for (const char* bad : { R"({"channels":[{"streams":{"main":{"resolution":"1*1"}}}]})",
             R"({"channels":[{"streams":{"mobile":{"fps":31}}}]})", R"({"channels":[{"streams":[]}]})",
             R"({"channels":[{"osd":{"time_format":13}}]})" }) {
        SCOPED_TRACE(bad);
        Device e = recorder(2);
        EXPECT_FALSE(applyDeviceJson(e, parse(bad), &error));
        EXPECT_NE(error.find("channels[0]."), std::string::npos) << error;
    }
}

namespace
{

// A four-channel recorder in a store, with an administrator.
struct StoredRecorder {
    DeviceStore store;
    int id = 0;
    StoredRecorder()
    {
        Device d = recorder(4);
        d.net.ip = "192.168.1.10";
        User admin;
        admin.name = "admin";
        admin.password = "Admin_123";
        admin.admin = true;
        d.users.push_back(admin);
        id = store.add(d);
    }
    std::int32_t query(int message, std::uint32_t size, std::uint32_t mask0, std::vector<std::uint8_t>& data)
    {
        vlwire::QueryParam q;
        q.message = message;
        q.mask[0] = mask0;
        q.recordSize = size;
        Json::Value note;
        return queryParam(store, id, "admin", vlwire::encodeQueryParam(q), note, data);
    }
    std::int32_t write(
        int message, const std::vector<std::uint8_t>& records, std::uint32_t size, Json::Value& note)
    {
        std::vector<std::uint8_t> payload(16);
        vlwire::putU32(payload.data(), std::uint32_t(message));
        vlwire::putU32(payload.data() + 8, size);
        vlwire::putU32(payload.data() + 12, std::uint32_t(records.size() / size));
        payload.insert(payload.end(), records.begin(), records.end());
        return writeParam(store, id, "admin", payload, note);
    }
    Json::Value state()
    {
        Json::Value out;
        store.read(id, [&](const Device& d) { out = deviceToJson(d, false); });
        return out;
    }
};

} // namespace

TEST(StreamOsd, MessagesThroughTheRegistryPerChannelAndAllOrNothing)
{
    StoredRecorder s;
    std::vector<std::uint8_t> data;
    // Channels 2 and 4 of the sub stream.
    ASSERT_EQ(s.query(571, 132, 0b1010, data), vlwire::kOk);
    ASSERT_EQ(data.size(), 2u * 132);
    VLNET_STREAM_PARAM records[2];
    std::memcpy(records, data.data(), data.size());
    EXPECT_EQ(records[0].channel, 1);
    EXPECT_EQ(records[1].channel, 3);
    EXPECT_EQ(s.query(573, 132, 0xFFFFFFFF, data), vlwire::kBadRequest) << "the OSD's record is 1696 bytes";

    records[0].fps = 5;
    records[1].fps = 6;
    std::vector<std::uint8_t> bytes(
        reinterpret_cast<std::uint8_t*>(records), reinterpret_cast<std::uint8_t*>(records) + sizeof records);
    Json::Value note;
    ASSERT_EQ(s.write(571, bytes, 132, note), vlwire::kOk) << note.toStyledString();
    Json::Value state = s.state();
    EXPECT_EQ(state["channels"][1]["streams"]["sub"]["fps"].asInt(), 5);
    EXPECT_EQ(state["channels"][3]["streams"]["sub"]["fps"].asInt(), 6);
    EXPECT_EQ(state["channels"][0]["streams"]["sub"]["fps"].asInt(), 25);

    // One bad record refuses the whole list: a codec the sub stream lacks,
    // a channel the device lacks.
    for (auto spoil : { +[](VLNET_STREAM_PARAM& r) { r.video_enc_type = VLNET_CODEC_H265_PLUS; },
             +[](VLNET_STREAM_PARAM& r) { r.channel = 4; } }) {
        VLNET_STREAM_PARAM two[2] = { records[0], records[1] };
        two[0].fps = 9;
        spoil(two[1]);
        std::vector<std::uint8_t> b(
            reinterpret_cast<std::uint8_t*>(two), reinterpret_cast<std::uint8_t*>(two) + sizeof two);
        Json::Value refused;
        EXPECT_EQ(s.write(571, b, 132, refused), vlwire::kBadRequest);
        EXPECT_TRUE(refused.isMember("error"));
        EXPECT_EQ(s.state()["channels"], state["channels"]);
    }

    // The fault answers with success and no record.
    s.store.modify(s.id, [](Device& d) { d.faults.emptyParams = true; });
    data.assign(3, 0);
    EXPECT_EQ(s.query(570, 132, 0xFFFFFFFF, data), vlwire::kOk);
    EXPECT_TRUE(data.empty());
}
