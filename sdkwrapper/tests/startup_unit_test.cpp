// Start-up pieces: the start-up keys into the SDK records, the log file named
// by VLNet.ini, and the log keys.
#include "common/json.h"
#include "core/startup.h"
#include "test_dir.h"

#include <cstddef>
#include <gtest/gtest.h>
#include <json/json.h>

using namespace vlsdk;

namespace
{

startup_options options_of(const char* text)
{
    Json::Value root;
    EXPECT_TRUE(vljson::parse(text, root)) << text;
    return read_startup_options(root);
}

struct P2PResult {
    bool needed;
    VLNET_P2P_SERVER_INFO record;
    std::vector<std::string> notes;
};

P2PResult p2p_of(const startup_options& o)
{
    P2PResult r {};
    r.needed = fill_p2p_record(o, r.record, r.notes);
    return r;
}

} // namespace

TEST(StartupOptions, P2PRecordFieldOrder)
{
    // Field order as the network SDK reads it (pointers are 8 bytes here).
    EXPECT_EQ(offsetof(VLNET_P2P_SERVER_INFO, main_server_port), 128u);
    EXPECT_EQ(offsetof(VLNET_P2P_SERVER_INFO, sub_server_addr), 132u);
    EXPECT_EQ(offsetof(VLNET_P2P_SERVER_INFO, sub_server_port), 260u);
    EXPECT_EQ(offsetof(VLNET_P2P_SERVER_INFO, server_kind), 264u);
    EXPECT_EQ(offsetof(VLNET_P2P_SERVER_INFO, p2p_word1), 272u);
    EXPECT_EQ(offsetof(VLNET_P2P_SERVER_INFO, router), 280u);
}

TEST(StartupOptions, WhatMakesTheP2PSetUpNeeded)
{
    struct Case {
        const char* json;
        bool needed;
    } cases[] = {
        { "{}", false }, { "{\"vv main server addr\": \"p2p.example\"}", false }, // no port
        { "{\"vv main server port\": 8000}", false }, // no address
        { "{\"vv main server addr\": \"p2p.example\", \"vv main server port\": 8000}", true },
        { "{\"vv sub server addr\": \"b\", \"vv sub server port\": 1}", false }, // sub only with main
        { "{\"port\": 65535}", false }, { "{\"port\": 65534}", true },
        { "{\"region\": \"region_us\"}", true }, { "{\"region\": \"region_eu\"}", false },
        { "{\"disable_tutk_p2p_mode\": true}", true }, { "{\"disable_tutk_p2p_mode\": false}", false },
        { "{\"vl iot router\": 5}", false }, // taken only as a text
        { "{\"vl iot router\": \"r\"}", true }, { "{\"vl iot router v1\": {\"a\": 1}}", true },
        { "{\"cache_directory\": \"/tmp/c\"}", true }, { "{\"cache_directory\": [\"/tmp/c\"]}", false },
        { "{\"windows dll path\": \"/opt/x\"}", true }, { "{\"relay_mode_timeout_seconds\": 0}", true },
        { "{\"only_relay_mode\": false}", true }, { "{\"only_relay_mode\": null}", false },
        { "{\"oem type\": \"dorvex_vv\"}", true }, { "{\"oem type\": \"default\"}", false },
        { "{\"max hardware decode num\": 4, \"enable hw render\": true}", false }, // player keys only
    };
    for (const Case& c : cases)
        EXPECT_EQ(p2p_of(options_of(c.json)).needed, c.needed) << c.json;
}

TEST(StartupOptions, P2PRecordContents)
{
    // The record points into the options: keep them alive while it is read.
    const startup_options o = options_of(R"({
        "vv main server addr": "main.example", "vv main server port": 8000,
        "vv sub server addr": "sub.example", "vv sub server port": 8001,
        "oem type": "dorvex_vv_pro", "region": "region_us", "disable_tutk_p2p_mode": true,
        "vl iot router": "r0", "vl iot router v1": {"b": [1]}, "cache_directory": "/c",
        "windows dll path": "/m", "port": 65534, "relay_mode_timeout_seconds": 30, "only_relay_mode": true,
    })");
    const auto r = p2p_of(o);
    ASSERT_TRUE(r.needed);
    EXPECT_STREQ(r.record.main_server_addr, "main.example");
    EXPECT_EQ(r.record.main_server_port, 8000);
    EXPECT_STREQ(r.record.sub_server_addr, "sub.example");
    EXPECT_EQ(r.record.sub_server_port, 8001);
    EXPECT_EQ(r.record.server_kind, 9);
    EXPECT_EQ(r.record.region_us, 1);
    EXPECT_EQ(r.record.tutk_mode_off, 1);
    EXPECT_STREQ(r.record.router, "r0");
    EXPECT_STREQ(r.record.router_v1, "{\n\t\"b\" : \n\t[\n\t\t1\n\t]\n}");
    EXPECT_STREQ(r.record.cache_directory, "/c");
    EXPECT_STREQ(r.record.module_directory, "/m");
    EXPECT_EQ(r.record.port, 65534);
    EXPECT_EQ(r.record.relay_timeout_seconds, 30);
    EXPECT_EQ(r.record.relay_only, 1);
    EXPECT_EQ(r.record.p2p_word1, 0u); // the words are the caller's, set by the export
    EXPECT_TRUE(r.notes.empty());
}

TEST(StartupOptions, LongServerAddressesAreSkippedNotCut)
{
    const std::string fits(127, 'a');
    const std::string too_long(128, 'b');
    auto json = [](const std::string& main, const std::string& sub) {
        Json::Value v;
        v["vv main server addr"] = main;
        v["vv main server port"] = 1;
        v["vv sub server addr"] = sub;
        v["vv sub server port"] = 2;
        return vljson::write_compact(v);
    };
    auto a = p2p_of(options_of(json(fits, fits).c_str()));
    EXPECT_EQ(std::string(a.record.main_server_addr), fits);
    EXPECT_EQ(std::string(a.record.sub_server_addr), fits);
    EXPECT_EQ(a.record.main_server_port, 1);
    EXPECT_EQ(a.record.sub_server_port, 2);
    EXPECT_TRUE(a.notes.empty());

    auto b = p2p_of(options_of(json(fits, too_long).c_str()));
    EXPECT_EQ(std::string(b.record.main_server_addr), fits);
    EXPECT_EQ(b.record.sub_server_addr[0], '\0');
    EXPECT_EQ(b.record.main_server_port, 1) << "the port behind the address stays intact";
    EXPECT_EQ(b.record.sub_server_port, 0);
    EXPECT_EQ(b.notes.size(), 1u);

    auto c = p2p_of(options_of(json(too_long, fits).c_str()));
    EXPECT_FALSE(c.needed);
    EXPECT_EQ(c.record.main_server_addr[0], '\0');
    EXPECT_EQ(c.record.main_server_port, 0);
    EXPECT_EQ(c.record.sub_server_addr[0], '\0');
    EXPECT_EQ(c.notes.size(), 1u);
}

TEST(StartupOptions, PlayerRecord)
{
    struct Case {
        const char* json;
        bool call;
        bool aec;
    } cases[] = {
        { "{}", false, false },
        { "{\"enable hw render\": false}", true, false },
        { "{\"enable hw render d3d11\": true}", true, false },
        { "{\"vl_audio_aec_model1_file\": \"1\", \"vl_audio_aec_model2_file\": \"2\"}", false, false },
        { "{\"vl_audio_aec_model1_file\": \"1\", \"vl_audio_aec_model2_file\": \"2\", "
          "\"vl_audio_aec_model_key\": null}",
            false, false },
        { "{\"vl_audio_aec_model1_file\": \"1\", \"vl_audio_aec_model2_file\": \"2\", "
          "\"vl_audio_aec_model_key\": \"k\"}",
            true, true },
    };
    for (const Case& c : cases) {
        const startup_options o = options_of(c.json);
        VLPLAY_PLAY_INFO info {};
        EXPECT_EQ(fill_play_info(o, info), c.call) << c.json;
        EXPECT_EQ(info.aec_model_key != nullptr, c.aec) << c.json;
        if (c.aec) {
            EXPECT_STREQ(info.aec_model1_file, "1");
            EXPECT_EQ(info.near_volume, 1) << "near_vol defaults to 1";
        }
    }
    VLPLAY_PLAY_INFO info {};
    const startup_options o = options_of(R"({"vl_audio_aec_model1_file": "a", "vl_audio_aec_model2_file": "b",
        "vl_audio_aec_model_key": "k", "near_vol": 7, "enable hw render": true, "enable hw render d3d11": true})");
    ASSERT_TRUE(fill_play_info(o, info));
    EXPECT_EQ(info.near_volume, 7);
    EXPECT_EQ(info.hw_render, 1);
    EXPECT_EQ(info.hw_render_d3d11, 1);
}

TEST(StartupOptions, WrongTypesAreUnreadable)
{
    const char* wrong[] = {
        "{\"port\": -1}",
        "{\"port\": \"80\"}",
        "{\"vv main server port\": \"x\"}",
        "{\"windows dll path\": {}}",
        "{\"only_relay_mode\": \"yes\"}",
        "[1, 2]",
        "7",
    };
    for (const char* text : wrong) {
        Json::Value root;
        ASSERT_TRUE(vljson::parse(text, root)) << text;
        bool ok = true;
        read_startup_options(root, &ok);
        EXPECT_FALSE(ok) << text;
    }
    Json::Value null_root;
    bool ok = false;
    read_startup_options(null_root, &ok);
    EXPECT_TRUE(ok);
}

TEST(StartupOptions, LogKeys)
{
    Json::Value root;
    ASSERT_TRUE(vljson::parse(R"({"directory": "/var/log/x", "max size": 4096, "enable p2p log": true,
        "enable main loop log": false, "enable net log": 1, "enable http log": true,})",
        root));
    const log_options o = read_log_options(root);
    EXPECT_EQ(o.directory, "/var/log/x");
    EXPECT_EQ(o.max_size, 4096);
    EXPECT_TRUE(o.p2p_log);
    EXPECT_FALSE(o.main_loop_log);
    EXPECT_TRUE(o.net_log);
    EXPECT_TRUE(o.http_log);

    ASSERT_TRUE(vljson::parse("{\"max size\": \"big\"}", root));
    bool ok = true;
    read_log_options(root, &ok);
    EXPECT_FALSE(ok);
}

TEST(VLNetIni, LogPathCases)
{
    TestDir dir;
    const std::string ini = dir.file("VLNet.ini");
    struct Case {
        const char* content;
        const char* path;
    } cases[] = {
        { "[log]\nlog_path = /var/logs/sdk.log\n", "/var/logs/VLWrapper.txt" },
        { "log_path=/my logs/x.log\r\n", "/mylogs/VLWrapper.txt" }, // blanks are removed
        { "log_path=sdk.log\n", "" }, // no folder
        { "log_path=C:\\logs\\sdk.log\n", "C:\\logs\\VLWrapper.txt" },
        { "log_path\nlog_path=/second/x.log\n", "" }, // the first line naming it decides
        { "log_path=\n", "" },
        { "other=1\nlevel=3\n", "" },
        { "; log_path is below\nlog_path=/x/y.log\n", "" },
        { "net_log_path_x=/a/b/c.log\n", "/a/b/VLWrapper.txt" },
        { "", "" },
    };
    for (const Case& c : cases) {
        write_file(ini, c.content);
        EXPECT_EQ(wrapper_log_path_from_ini(ini), c.path) << c.content;
    }
    EXPECT_EQ(wrapper_log_path_from_ini(dir.file("missing.ini")), "");
}
