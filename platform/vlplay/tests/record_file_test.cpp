// The recording file: what the writer writes, the reader takes back, and
// each kind of damage gives its own open result, through the player's calls.
#include "record_file.h"
#include "support/lab.h"
#include "vlplay.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace
{

std::vector<uint8_t> read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_all(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// A frame as the format lays it out, with its checksum right.
std::vector<uint8_t> frame(uint8_t type, uint64_t time, const std::string& payload)
{
    std::vector<uint8_t> f(16 + payload.size() + 4, 0);
    f[0] = type;
    for (int i = 0; i < 8; ++i)
        f[4 + size_t(i)] = uint8_t(time >> (8 * i));
    put32(f, 12, uint32_t(payload.size()));
    std::memcpy(f.data() + 16, payload.data(), payload.size());
    put32(f, 16 + payload.size(), vlplay::crc32(0, f.data(), 16 + payload.size()));
    return f;
}

std::vector<uint8_t> file_of(
    const std::vector<std::vector<uint8_t>>& frames, const std::string& password = {})
{
    std::vector<uint8_t> out = vlplay::record_header(password);
    for (const auto& f : frames)
        out.insert(out.end(), f.begin(), f.end());
    return out;
}

int open_with(const std::string& path, const char* password)
{
    const int player = VLPlayCreatePlayInstance(0);
    EXPECT_GT(player, 0);
    VLPLAY_PLAY_FILE entry;
    std::memset(&entry, 0, sizeof entry);
    std::snprintf(entry.file_name, sizeof entry.file_name, "%s", path.c_str());
    if (password)
        std::snprintf(entry.password, sizeof entry.password, "%s", password);
    VLPLAY_PLAY_FILE_LIST list { &entry, 1 };
    const int result = VLPlayNewOpenPlayFileListExV1(player, &list);
    EXPECT_EQ(VLPlayDestroyPlayInstance(player), 1);
    return result;
}

} // namespace

TEST(VLPlayRecordFile, WrittenFileOpensWithItsRangeAndKeyFrames)
{
    vltest::TempDir dir;
    const std::string path = dir.file("a.vlr");
    vlplay::record_file_writer w;
    ASSERT_TRUE(w.create(path));
    ASSERT_TRUE(w.add_frame(vlplay::frame_type::key, 1000, "k", 1));
    ASSERT_TRUE(w.add_frame(vlplay::frame_type::video, 2000, "v", 1));
    ASSERT_TRUE(w.add_frame(vlplay::frame_type::audio, 2000, "a", 1));
    EXPECT_FALSE(w.add_frame(vlplay::frame_type::key, 1999, "k", 1)) << "time never goes backwards";
    ASSERT_TRUE(w.add_frame(vlplay::frame_type::key, 5000000, "k", 1));
    ASSERT_TRUE(w.close());

    const int player = VLPlayCreatePlayInstance(0);
    ASSERT_GT(player, 0);
    uint64_t begin = 0, end = 0;
    EXPECT_EQ(VLPlayGetPlayFileTimeRange(player, &begin, &end), 0) << "no file open yet";
    ASSERT_EQ(VLPlayOpenPlayFile(player, path.c_str()), VLPLAY_OPEN_OK);
    ASSERT_EQ(VLPlayGetPlayFileTimeRange(player, &begin, &end), 1);
    EXPECT_EQ(begin, 1000u);
    EXPECT_EQ(end, 5000000u);
    EXPECT_EQ(VLPlayGetKeyFrameCount(player), 2);
    EXPECT_EQ(VLPlayClosePlayFile(player), 1);
    EXPECT_EQ(VLPlayClosePlayFile(player), 0);
    EXPECT_EQ(VLPlayGetKeyFrameCount(player), 0);
    EXPECT_EQ(VLPlayDestroyPlayInstance(player), 1);
    EXPECT_EQ(VLPlayDestroyPlayInstance(player), 0);
    EXPECT_EQ(VLPlayOpenPlayFile(player, path.c_str()), -1) << "a released instance";
}

TEST(VLPlayRecordFile, EachDamageHasItsOpenResult)
{
    vltest::TempDir dir;
    const auto key = frame(1, 10, "key");
    const auto video = frame(2, 20, "video");
    std::vector<uint8_t> good = file_of({ key, video });

    auto flipped = good;
    flipped[64 + 17] ^= 0x40; // in the first frame's payload
    auto bad_header = good;
    bad_header[40] = 1; // a reserved byte, under the header's checksum
    auto version = good;
    version[4] = 2;
    put32(version, 60, vlplay::crc32(0, version.data(), 60));
    auto cut = std::vector<uint8_t>(good.begin(), good.end() - 1);
    auto huge = file_of({ key });
    put32(huge, 64 + 12, 0xFFFFFFF0u);

    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* password;
        int result;
    };
    const std::vector<Row> rows = {
        { "good", good, nullptr, VLPLAY_OPEN_OK },
        { "flipped payload", flipped, nullptr, VLPLAY_OPEN_BAD_CHECKSUM },
        { "header changed", bad_header, nullptr, VLPLAY_OPEN_BAD_CHECKSUM },
        { "other version", version, nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "cut short", cut, nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "length past the end", huge, nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "no frames", file_of({}), nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "video before a key frame", file_of({ video }), nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "time goes backwards", file_of({ frame(1, 30, "a"), frame(1, 29, "b") }), nullptr,
            VLPLAY_OPEN_UNDECODABLE },
        { "unknown frame type", file_of({ frame(9, 1, "x") }), nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "not this format", std::vector<uint8_t>(100, 'z'), nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "empty", {}, nullptr, VLPLAY_OPEN_UNDECODABLE },
        { "standard mp4", { 0, 0, 0, 20, 'f', 't', 'y', 'p', 'm', 'p', '4', '2', 0, 0, 0, 0 }, nullptr,
            VLPLAY_OPEN_STANDARD_MP4 },
        { "other mp4", { 0, 0, 0, 20, 'f', 't', 'y', 'p', 'x', 'y', 'z', 'w', 0, 0, 0, 0 }, nullptr,
            VLPLAY_OPEN_UNKNOWN_MP4 },
        { "protected, no password", file_of({ key }, "pw"), nullptr, VLPLAY_OPEN_NEED_PASSWORD },
        { "protected, wrong password", file_of({ key }, "pw"), "px", VLPLAY_OPEN_NEED_PASSWORD },
        { "protected, its password", file_of({ key }, "pw"), "pw", VLPLAY_OPEN_OK },
    };
    for (const Row& row : rows) {
        const std::string path = dir.file("f.vlr");
        write_all(path, row.bytes);
        EXPECT_EQ(open_with(path, row.password), row.result) << row.name;
        EXPECT_EQ(
            vlplay::check_record_bytes(row.bytes.data(), row.bytes.size(), row.password, nullptr), row.result)
            << row.name << " (in memory)";
    }
    EXPECT_EQ(open_with(dir.file("missing.vlr"), nullptr), VLPLAY_OPEN_MISSING);
    EXPECT_EQ(open_with(dir.path(), nullptr), VLPLAY_OPEN_UNREADABLE) << "a folder";
}

TEST(VLPlayRecordFile, WriterRefusesWhatTheFormatCannotHold)
{
    vltest::TempDir dir;
    vlplay::record_file_writer w;
    EXPECT_FALSE(w.create(dir.file("p.vlr"), std::string(64, 'p'))) << "a password of 64 bytes";
    EXPECT_TRUE(w.create(dir.file("p.vlr"), std::string(63, 'p')));
    EXPECT_TRUE(w.close());
    EXPECT_FALSE(w.create(dir.file("no/such/folder.vlr")));
    EXPECT_FALSE(w.add_frame(vlplay::frame_type::key, 1, "k", 1)) << "no file";
    const std::vector<uint8_t> file = read_all(dir.file("p.vlr"));
    EXPECT_EQ(file.size(), vlplay::kRecordHeaderSize);
}
