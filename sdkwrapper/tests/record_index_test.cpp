// The record index: keys, the three record kinds, lookups, the bytes of a
// time range, and stores and lookups from several threads.
#include "instances/record_index.h"

#include <cstring>
#include <gtest/gtest.h>
#include <thread>

namespace
{

record_time at(int year, int month, int day, int hour, int minute, int second)
{
    record_time t {};
    t.year = uint16_t(year);
    t.month = uint8_t(month);
    t.day = uint8_t(day);
    t.hour = uint8_t(hour);
    t.minute = uint8_t(minute);
    t.second = uint8_t(second);
    return t;
}

template <class R> R record(uint32_t file_size, record_time begin, record_time end)
{
    R r;
    std::memset(&r, 0, sizeof r);
    r.size = sizeof r;
    r.begin = begin;
    r.end = end;
    r.file_size = file_size;
    return r;
}

record_info_ex ten_minutes(uint32_t bytes = 600000)
{
    return record<record_info_ex>(bytes, at(2024, 5, 6, 10, 0, 0), at(2024, 5, 6, 10, 10, 0));
}

TEST(RecordIndex, SecondsSince1970)
{
    EXPECT_EQ(datetime_to_seconds(1970, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(datetime_to_seconds(1969, 12, 31, 23, 59, 59), -1);
    EXPECT_EQ(datetime_to_seconds(2024, 5, 6, 7, 8, 9), 1714979289);
    EXPECT_EQ(datetime_to_seconds(2000, 3, 1, 0, 0, 0) - datetime_to_seconds(2000, 2, 29, 23, 59, 59), 1)
        << "2000 is a leap year";
    EXPECT_EQ(datetime_to_seconds(at(2024, 5, 6, 7, 8, 9)), 1714979289);
}

TEST(RecordIndex, MurmurHashAsPublished)
{
    struct Case {
        const char* data;
        uint32_t seed;
        uint32_t hash;
    };
    const Case cases[] = {
        { "", 0, 0 },
        { "", 1, 0x514E28B7u },
        { "", 0xFFFFFFFFu, 0x81F16F39u },
        { "aaaa", 0x9747B28Cu, 0x5A97808Au },
        { "Hello, world!", 0x9747B28Cu, 0x24884CBAu },
        { "The quick brown fox jumps over the lazy dog", 0x9747B28Cu, 0x2FA826CDu },
        { "abc", 0, 0xB3DD93FAu },
    };
    for (const Case& c : cases)
        EXPECT_EQ(murmur3_32_seeded(c.data, std::strlen(c.data), c.seed), c.hash) << c.data;
    const uint8_t zeros[4] = {};
    EXPECT_EQ(murmur3_32_seeded(zeros, 4, 0), 0x2362F9DEu);
    uint32_t key = 0;
    murmur3_32("ab", 2, &key);
    EXPECT_EQ(key, 0x3DE8029Du) << "the key seed";
}

TEST(RecordIndex, KeyIsTheHashOfRecordLabelChannelAndPortOfTheSlotsMaking)
{
    record_index index;
    index.set_identity("cam-1", 9000);
    const record_info_ex r = ten_minutes();
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(7, 1, &r, 1, keys));
    ASSERT_EQ(keys.size(), 1u);

    uint8_t buffer[148] = {};
    std::memcpy(buffer, &r, 76);
    std::memcpy(buffer + 76, "cam-1", 5);
    const int32_t channel = 7;
    const int32_t port = 9000;
    std::memcpy(buffer + 140, &channel, 4);
    std::memcpy(buffer + 144, &port, 4);
    EXPECT_EQ(keys[0], murmur3_32_seeded(buffer, sizeof buffer, 0x6D465352u));

    // The slot keeps the label and port of its making.
    index.set_identity("cam-1", 9001);
    std::vector<uint32_t> again;
    ASSERT_TRUE(index.store(7, 1, &r, 1, again));
    EXPECT_EQ(again, keys);
    std::vector<uint32_t> other;
    ASSERT_TRUE(index.store(8, 1, &r, 1, other));
    EXPECT_NE(other, keys) << "another channel, another port";

    record_descriptor_ex d;
    ASSERT_TRUE(index.find_record_ex(7, keys[0], &d));
    EXPECT_EQ(d.channel, 7);
    EXPECT_EQ(d.stream_type, 1);
    EXPECT_EQ(d.record.file_size, 600000u);
    EXPECT_EQ(0, std::memcmp(&d.record, &r, sizeof r));
    record_descriptor basic;
    EXPECT_FALSE(index.find_record(7, keys[0], &basic)) << "the kinds are kept apart";
}

TEST(RecordIndex, AStoreReplacesTheChannelsRecordsAndAnEmptyOneEmptiesIt)
{
    record_index index;
    record_info_ex two[2] = { ten_minutes(1), ten_minutes(2) };
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(3, 0, two, 2, keys));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_NE(keys[0], keys[1]);
    EXPECT_EQ(index.slot(3)->record_count(), 2);

    std::vector<uint32_t> none { 42 };
    EXPECT_TRUE(index.store(3, 0, static_cast<const record_info_ex*>(nullptr), 5, none));
    EXPECT_TRUE(none.empty());
    record_descriptor_ex d;
    std::memset(&d, 0xAB, sizeof d);
    EXPECT_FALSE(index.find_record_ex(3, keys[0], &d));
    EXPECT_FALSE(index.find_record_ex(3, keys[1], &d));
    EXPECT_EQ(d.channel, int32_t(0xABABABAB)) << "a failed lookup leaves the descriptor alone";
    EXPECT_EQ(index.slot(3)->record_count(), 0);

    // A channel outside 0 to 255 fails everything and makes nothing.
    EXPECT_FALSE(index.store(256, 0, two, 2, keys));
    EXPECT_FALSE(index.store(-1, 0, two, 2, keys));
    EXPECT_EQ(index.slot(256), nullptr);
    EXPECT_FALSE(index.find_record_ex(-1, 1, &d));
    EXPECT_FALSE(index.find_record_ex(200, 1, &d)) << "no slot yet";
}

TEST(RecordIndex, IdenticalRecordsShareOneKey)
{
    record_index index;
    record_info three[3] = {
        record<record_info>(5, at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 1, 0, 0)),
        record<record_info>(5, at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 1, 0, 0)),
        record<record_info>(6, at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 1, 0, 0)),
    };
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(0, 0, three, 3, keys));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0], keys[1]);
    EXPECT_NE(keys[0], keys[2]);
    record_descriptor d;
    ASSERT_TRUE(index.find_record(0, keys[0], &d));
    EXPECT_EQ(d.record.file_size, 5u);
}

TEST(RecordIndex, RecordsOfAnotherSizeAreCutOrPaddedToTheKind)
{
    record_index index;
    // Records 64 bytes apart (a longer layout than ours): 56 bytes of each
    // are kept and the size word becomes ours.
    uint8_t wide[2][64];
    std::memset(wide, 0xEE, sizeof wide);
    for (int i = 0; i < 2; ++i) {
        record_info r
            = record<record_info>(uint32_t(100 + i), at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 0, 1, 0));
        r.size = 64;
        std::memcpy(wide[i], &r, sizeof r);
    }
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(1, 0, reinterpret_cast<const record_info*>(wide), 2, keys));
    record_descriptor d;
    ASSERT_TRUE(index.find_record(1, keys[1], &d));
    EXPECT_EQ(d.record.size, 56u);
    EXPECT_EQ(d.record.file_size, 101u);

    // A record with texts of another size loses its texts.
    record_info_arr arr = record<record_info_arr>(7, at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 0, 1, 0));
    arr.record_type_json = R"({"record_type_arr": [1]})";
    arr.size = uint32_t(sizeof arr - 8);
    std::vector<uint8_t> bigger(sizeof arr + 8, 0);
    std::memcpy(bigger.data(), &arr, sizeof arr);
    ASSERT_TRUE(index.store(2, 0, reinterpret_cast<const record_info_arr*>(bigger.data()), 1, keys));
    record_descriptor_arr da;
    ASSERT_TRUE(index.find_record_arr(2, keys[0], &da));
    EXPECT_EQ(da.record.size, sizeof(record_info_arr));
    EXPECT_EQ(da.record.file_size, 7u);
    EXPECT_EQ(da.record.record_type_json, nullptr);
}

TEST(RecordIndex, RecordsWithTextsKeepCopiesOfThem)
{
    record_index index;
    std::string type_text = R"({"record_type_arr": [1, 2]})";
    std::string seq = "seq-1";
    record_info_arr r = record<record_info_arr>(9, at(2024, 1, 1, 0, 0, 0), at(2024, 1, 1, 0, 1, 0));
    r.record_type_json = type_text.c_str();
    r.event_seq = seq.c_str();
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(4, 2, &r, 1, keys));
    type_text.assign("changed by the caller after the store");
    seq.clear();

    record_descriptor_arr slot_texts;
    ASSERT_TRUE(index.find_record_arr(4, keys[0], &slot_texts));
    EXPECT_STREQ(slot_texts.record.record_type_json, R"({"record_type_arr": [1, 2]})");
    EXPECT_STREQ(slot_texts.record.event_seq, "seq-1");
    EXPECT_EQ(slot_texts.record.event_id_json, nullptr);
    EXPECT_EQ(slot_texts.stream_type, 2);

    // A caller's own copies outlive the slot's next store.
    record_descriptor_arr own;
    record_texts texts;
    ASSERT_TRUE(index.find_record_arr(4, keys[0], &own, &texts));
    ASSERT_TRUE(index.store(4, 0, &r, 0, keys));
    EXPECT_STREQ(own.record.record_type_json, R"({"record_type_arr": [1, 2]})");
    EXPECT_STREQ(own.record.event_seq, "seq-1");
    EXPECT_EQ(own.record.event_id_json, nullptr);
}

TEST(RecordIndex, BytesOfATimeRange)
{
    record_index index;
    const record_info_ex r = ten_minutes();
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(5, 0, &r, 1, keys));
    const record_index_slot* slot = index.slot(5);
    ASSERT_NE(slot, nullptr);
    struct Case {
        record_time begin, end;
        uint64_t bytes;
    };
    const Case cases[] = {
        { at(2024, 5, 6, 10, 5, 0), at(2024, 5, 6, 11, 0, 0), 300000 }, // the second half
        { at(2024, 5, 6, 9, 0, 0), at(2024, 5, 6, 10, 5, 0), 300000 }, // the first half
        { at(2024, 5, 6, 9, 0, 0), at(2024, 5, 6, 11, 0, 0), 600000 }, // all of it
        { at(2024, 5, 6, 10, 2, 0), at(2024, 5, 6, 10, 4, 0), 120000 }, // a part inside
        { at(2024, 5, 6, 11, 0, 0), at(2024, 5, 6, 12, 0, 0), 0 }, // after it
        { at(2024, 5, 6, 10, 10, 0), at(2024, 5, 6, 12, 0, 0), 0 }, // touching its end
        { at(2024, 5, 6, 11, 0, 0), at(2024, 5, 6, 9, 0, 0), 0 }, // a reversed range
    };
    for (const Case& c : cases) {
        EXPECT_EQ(slot->bytes_in_range_ex(c.begin, c.end), c.bytes)
            << int(c.begin.hour) << ":" << int(c.begin.minute);
        EXPECT_EQ(slot->bytes_in_range(c.begin, c.end), 0u) << "no basic records";
    }
    // A record strictly inside counts whole, without rounding.
    const record_info_ex odd
        = record<record_info_ex>(4294967295u, at(2024, 5, 6, 10, 0, 1), at(2024, 5, 6, 10, 0, 2));
    ASSERT_TRUE(index.store(6, 0, &odd, 1, keys));
    EXPECT_EQ(
        index.slot(6)->bytes_in_range_ex(at(2024, 5, 6, 10, 0, 0), at(2024, 5, 6, 10, 0, 3)), 4294967295u);
}

TEST(RecordIndex, ALogoutEmptiesTheSlotsWhichTheNextLoginReuses)
{
    record_index index;
    index.set_identity("cam-1", 9000);
    const record_info_ex r = ten_minutes();
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(5, 1, &r, 1, keys));
    record_index_slot* slot = index.slot(5);

    index.clear_records();
    index.clear_identity();
    EXPECT_EQ(index.label(), "");
    EXPECT_EQ(index.port(), 0);
    record_descriptor_ex d;
    EXPECT_FALSE(index.find_record_ex(5, keys[0], &d));
    EXPECT_EQ(index.slot(5), slot) << "the slot stays";

    index.set_identity("cam-1", 9000);
    ASSERT_TRUE(index.store(5, 0, &r, 1, keys));
    ASSERT_TRUE(index.find_record_ex(5, keys[0], &d));
    EXPECT_EQ(d.channel, 5);
    EXPECT_EQ(d.stream_type, 0);

    index.clear();
    EXPECT_EQ(index.slot(5), nullptr);
    EXPECT_EQ(index.label(), "");
}

TEST(RecordIndex, FilterIdsKeepsTheKnownKeysInOrder)
{
    record_index index;
    record_info_ex two[2] = { ten_minutes(1), ten_minutes(2) };
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(0, 0, two, 2, keys));
    std::vector<uint32_t> ids { keys[1], 12345, keys[0] };
    std::vector<record_info_ex> found;
    index.slot(0)->filter_ids(ids, found);
    EXPECT_EQ(ids, (std::vector<uint32_t> { keys[1], keys[0] }));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].file_size, 2u);
    EXPECT_EQ(found[1].file_size, 1u);
}

TEST(RecordIndex, StoresAndLookupsFromSeveralThreads)
{
    record_index index;
    index.set_identity("cam-1", 9000);
    const record_info_ex r = ten_minutes();
    std::atomic<bool> done { false };
    // Day searches store on the network SDK's threads, into a new channel
    // at once, while callers look records up and count bytes.
    auto storer = [&](int channel) {
        std::vector<uint32_t> keys;
        for (int i = 0; i < 200; ++i)
            index.store(channel, 0, &r, 1, keys);
    };
    std::thread reader([&] {
        record_descriptor_ex d;
        while (!done) {
            index.find_record_ex(9, 1, &d);
            if (const record_index_slot* s = index.slot(9))
                s->bytes_in_range_ex(at(2024, 5, 6, 9, 0, 0), at(2024, 5, 6, 11, 0, 0));
        }
    });
    std::thread a(storer, 9), b(storer, 9), c(storer, 10);
    a.join();
    b.join();
    c.join();
    done = true;
    reader.join();
    std::vector<uint32_t> keys;
    ASSERT_TRUE(index.store(9, 0, &r, 1, keys));
    record_descriptor_ex d;
    EXPECT_TRUE(index.find_record_ex(9, keys[0], &d));
}

} // namespace
