// A device's configuration (export, import, the web interface's text) and
// its user records (message 505) without a network: what a device gives,
// what it takes, what it refuses and changes nothing for.
#include "device_config.h"
#include "store.h"
#include "user_records.h"
#include "vlnet.h"
#include "wire.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace devsim;

namespace
{

Device camera(const std::string& name, int channels)
{
    Device d;
    d.kind = Kind::Ipc;
    d.name = name;
    d.mac = "AA:BB:CC:00:11:22";
    d.net.ip = "192.168.1.10";
    d.channels.resize(std::size_t(channels));
    for (int i = 0; i < channels; ++i)
        d.channels[std::size_t(i)].name = name + "-ch" + std::to_string(i);
    User admin;
    admin.name = "admin";
    admin.password = "Admin_123";
    admin.admin = true;
    User longName;
    longName.name = "operator77";
    longName.password = "Oper_1234567";
    longName.admin = true;
    User viewer;
    viewer.name = "viewer";
    viewer.password = "View_123";
    viewer.rights.settings = false;
    d.users = { admin, longName, viewer };
    d.params[{ 700, 0 }] = { 1, 2, 3 };
    return d;
}

std::vector<std::uint8_t> importPayload(const std::string& data)
{
    std::vector<std::uint8_t> p(VLNET_PARAM_IMPORT_HEAD_SIZE + data.size(), 0);
    vlwire::putU32(p.data(), std::uint32_t(p.size()));
    vlwire::putU32(p.data() + 4, std::uint32_t(data.size()));
    std::memcpy(p.data() + VLNET_PARAM_IMPORT_HEAD_SIZE, data.data(), data.size());
    return p;
}

template <std::size_t N> std::string slot(const char (&s)[N])
{
    return std::string(s, strnlen(s, N));
}

template <std::size_t N> void put(char (&s)[N], const std::string& text)
{
    std::memset(s, 0, N);
    std::memcpy(s, text.data(), std::min(N, text.size()));
}

std::vector<VLNET_USER_RECORD> recordsOf(const std::vector<std::uint8_t>& bytes)
{
    std::vector<VLNET_USER_RECORD> out(bytes.size() / sizeof(VLNET_USER_RECORD));
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

std::string bytesOf(const std::vector<VLNET_USER_RECORD>& records)
{
    return std::string(
        reinterpret_cast<const char*>(records.data()), records.size() * sizeof(VLNET_USER_RECORD));
}

} // namespace

TEST(DeviceConfig, AnExportLoadsIntoAnotherDeviceOfTheSameKind)
{
    DeviceStore store;
    const int a = store.add(camera("north", 2));
    const int b = store.add(camera("south", 2));
    Json::Value note;
    std::vector<std::uint8_t> block;
    ASSERT_EQ(exportBackup(store, a, "admin", note, block), vlwire::kOk);
    ASSERT_GE(block.size(), std::size_t(VLNET_PARAM_IMPORT_HEAD_SIZE));
    EXPECT_EQ(vlwire::getU32(block.data()), block.size());
    EXPECT_EQ(vlwire::getU32(block.data() + 4), block.size() - VLNET_PARAM_IMPORT_HEAD_SIZE);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data() + 8)), "north");
    const std::string data(block.begin() + VLNET_PARAM_IMPORT_HEAD_SIZE, block.end());
    EXPECT_EQ(data.find("Admin_123"), std::string::npos) << "no password leaves in a configuration";
    EXPECT_EQ(data.find("AA:BB"), std::string::npos) << "nor what tells devices apart";

    store.modify(b, [](Device& d) { d.params[{ 582, 0 }] = { 9 }; });
    ASSERT_EQ(paramImport(store, b, "admin", importPayload(data), note), vlwire::kOk);
    std::string after;
    store.read(b, [&](const Device& d) {
        after = configData(d);
        EXPECT_EQ(d.mac, "AA:BB:CC:00:11:22");
        EXPECT_EQ(d.params.count({ 582, 0 }), 0u) << "the store is replaced whole";
    });
    EXPECT_EQ(after, data);
}

TEST(DeviceConfig, WhatIsNoConfigurationOfTheDeviceIsRefusedAndChangesNothing)
{
    DeviceStore store;
    const int id = store.add(camera("north", 2));
    std::string before;
    store.read(id, [&](const Device& d) { before = configData(d); });
    std::string other;
    {
        Device three = camera("three", 3);
        other = configData(three);
    }
    const std::string cases[] = {
        "",
        "not a config",
        R"({"config":"devsim","version":2,"name":"x","video_format":0,"channels":[{},{}],"params":[]})",
        R"({"config":"other","version":1})",
        other,
        R"({"config":"devsim","version":1,"name":"x","video_format":0,"channels":[{"name":"a"},{"name":"b"}]})",
        R"({"config":"devsim","version":1,"name":"x","video_format":"PAL","channels":[{"name":"a"},{"name":"b"}],"params":[]})",
        R"({"config":"devsim","version":1,"name":"x","video_format":0,"channels":[{"name":"a"},{"name":"b"}],"params":[{"msg":1}]})",
    };
    for (const std::string& data : cases) {
        SCOPED_TRACE(data);
        Json::Value note;
        EXPECT_EQ(paramImport(store, id, "admin", importPayload(data), note), vlwire::kBadRequest);
        std::string now;
        store.read(id, [&](const Device& d) { now = configData(d); });
        EXPECT_EQ(now, before);
    }
    Json::Value note;
    auto lying = importPayload(before);
    vlwire::putU32(lying.data() + 4, 5);
    EXPECT_EQ(paramImport(store, id, "admin", lying, note), vlwire::kBadRequest) << "a head that lies";
    EXPECT_EQ(paramImport(store, id, "admin", { 1, 2, 3 }, note), vlwire::kBadRequest);
    EXPECT_EQ(paramImport(store, id, "viewer", importPayload(before), note), vlwire::kNoRight);
    std::vector<std::uint8_t> block;
    EXPECT_EQ(exportBackup(store, id, "viewer", note, block), vlwire::kNoRight);
    EXPECT_TRUE(block.empty());
}

TEST(DeviceConfig, TheWebTextIsBase64InLinesAndReadsBackWithAnyWhiteSpace)
{
    const std::string data(200, 'z');
    const std::string text = webConfigText(data);
    EXPECT_EQ(text.find("\r\n"), 76u);
    EXPECT_EQ(webConfigData(text), data);
    std::string spaced = text;
    spaced.insert(10, " \t\n");
    EXPECT_EQ(webConfigData(spaced), data);
    EXPECT_EQ(webConfigData("@@@@"), "");
}

TEST(UserRecords, EachUserInTheLayoutOfTheDevice)
{
    for (const bool c32 : { true, false }) {
        SCOPED_TRACE(c32);
        Device d = camera("north", 1);
        if (!c32)
            d.recordFields["c32PasswordFlag"] = 0;
        EXPECT_EQ(c32Passwords(d), c32);
        const auto header = userHeader(d);
        ASSERT_EQ(header.size(), 48u);
        const auto records = recordsOf(userRecords(d));
        ASSERT_EQ(records.size(), 3u);
        const VLNET_USER_RECORD& r = records[1];
        EXPECT_EQ(r.size, 272);
        EXPECT_EQ(r.admin, 1);
        EXPECT_EQ(r.have_switch, 0);
        if (c32) {
            EXPECT_EQ(slot(r.c32_password), "Oper_1234567");
            EXPECT_EQ(slot(r.user_name2), "operator77");
            EXPECT_EQ(slot(r.password), "");
        } else {
            EXPECT_EQ(slot(r.password), "Oper_123") << "cut to its slot";
            EXPECT_EQ(slot(r.user_name), "operator");
            EXPECT_EQ(slot(r.c32_password), "");
        }
    }
}

TEST(UserRecords, AWriteChangesTheMarkedUserOnly)
{
    for (const bool c32 : { true, false }) {
        SCOPED_TRACE(c32);
        DeviceStore store;
        Device dev = camera("north", 1);
        if (!c32)
            dev.recordFields["c32PasswordFlag"] = 0;
        const int id = store.add(dev);
        std::vector<VLNET_USER_RECORD> list;
        store.read(id, [&](const Device& d) { list = recordsOf(userRecords(d)); });
        list[1].have_switch = 1;
        if (c32) {
            put(list[1].c32_password, "Longer_pass_99");
        } else {
            put(list[1].password, "Short_12");
            put(list[1].password2, "Short_12");
        }
        Json::Value note;
        ASSERT_EQ(writeUserRecords(store, id, "admin", bytesOf(list), note), vlwire::kOk)
            << note.toStyledString();
        EXPECT_EQ(note["changed"].size(), 1u);
        EXPECT_EQ(note.toStyledString().find("Short_12"), std::string::npos) << "no password in the note";
        store.read(id, [&](const Device& d) {
            EXPECT_EQ(d.users[0].password, "Admin_123");
            EXPECT_EQ(d.users[1].password, c32 ? "Longer_pass_99" : "Short_12");
            EXPECT_EQ(d.users[2].password, "View_123");
        });
    }
}

TEST(UserRecords, AWriteThatCannotApplyChangesNobody)
{
    DeviceStore store;
    Device dev = camera("north", 1);
    dev.recordFields["c32PasswordFlag"] = 0;
    const int id = store.add(dev);
    std::vector<VLNET_USER_RECORD> list;
    store.read(id, [&](const Device& d) { list = recordsOf(userRecords(d)); });
    auto marked = [&](const std::string& name, const std::string& password, const std::string& confirm) {
        auto l = list;
        l[0].have_switch = 1;
        put(l[0].password, "Good_pw1");
        put(l[0].password2, "Good_pw1");
        l[1].have_switch = 1;
        put(l[1].user_name, name);
        put(l[1].password, password);
        put(l[1].password2, confirm);
        return bytesOf(l);
    };
    const struct {
        const char* what;
        std::string records;
        std::string user;
        std::int32_t result;
    } cases[] = {
        { "confirmation differs", marked("operator", "Abcd_123", "Abcd_124"), "admin", vlwire::kBadRequest },
        { "unknown user", marked("nobody", "Abcd_123", "Abcd_123"), "admin", vlwire::kBadRequest },
        { "rule broken", marked("operator", "abc", "abc"), "admin", vlwire::kBadRequest },
        { "not an administrator", marked("operator", "Abcd_123", "Abcd_123"), "viewer", vlwire::kNoRight },
        { "half a record", bytesOf(list).substr(0, 300), "admin", vlwire::kBadRequest },
        { "nothing", "", "admin", vlwire::kBadRequest },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Json::Value note;
        EXPECT_EQ(writeUserRecords(store, id, c.user, c.records, note), c.result);
        store.read(id, [&](const Device& d) {
            EXPECT_EQ(d.users[0].password, "Admin_123");
            EXPECT_EQ(d.users[1].password, "Oper_1234567");
        });
    }
}
