#pragma once
// The record index of a device: per channel (0 to 255), the recorded-file
// records of the channel's last day search, each under a 32-bit key. The
// day search stores the records and reports their keys as "index"; a
// download or a thumbnail request later names a record by channel and key.
//
// A key is MurmurHash3 (x86, 32-bit, seed 0x6D465352) over a key buffer:
// the stored record, then the device's label (64 bytes, zero-padded, no
// terminator), the channel and the port, as the label and port were when
// the channel's slot was made. Keys hold only while the records of that
// store are held: the next store of the channel replaces them, and keys of
// records with texts (record_info_arr) differ from one store to the next,
// since the hashed text pointers do.
//
// Three record kinds, told apart by their size word: record_info,
// record_info_ex and record_info_arr (the last holds three texts, kept by
// the slot as copies).
//
// Threads and locks: a slot is made on the first store into its channel
// and lives until record_index::clear (the device's destruction). Its lock
// serialises its store, lookups, byte counts, filter and clear: the network
// SDK stores day-search results on its threads while callers look records
// up on theirs. The slot pointers are atomic; two threads that make the
// same new slot at once end with one. The label and port have their own
// lock.
#include "core/time_text.h"
#include "vlnet.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using record_info = VLNET_RECORD_INFO;
using record_info_ex = VLNET_RECORD_INFO_EX;
using record_info_arr = VLNET_RECORD_INFO_ARR;

// What a lookup gives: the slot's channel, the stream type code of the day
// search that stored the record (0 main, 1 sub, 2 mobile, 6 fourth), and a
// copy of the record.
struct record_descriptor {
    int32_t channel;
    int32_t stream_type;
    record_info record;
};
struct record_descriptor_ex {
    int32_t channel;
    int32_t stream_type;
    record_info_ex record;
};
struct record_descriptor_arr {
    int32_t channel;
    int32_t stream_type;
    record_info_arr record;
};
static_assert(sizeof(record_descriptor) == 64, "record_descriptor");
static_assert(sizeof(record_descriptor_ex) == 84, "record_descriptor_ex");

// Copies of the three texts of a record_info_arr, for a caller that uses a
// descriptor after the slot may have been stored into again (the slot's own
// copies go with that store).
struct record_texts {
    std::optional<std::string> record_type_json;
    std::optional<std::string> event_id_json;
    std::optional<std::string> event_seq;
};

constexpr int kRecordIndexChannels = 256;
// Bytes of the label in a key buffer.
constexpr size_t kRecordKeyLabelSize = 64;

// Seconds since 1970-01-01 00:00:00 of calendar fields taken as UTC
// (proleptic Gregorian calendar; no range checks).
int64_t datetime_to_seconds(int year, int month, int day, int hour, int minute, int second);
int64_t datetime_to_seconds(const record_time& time);
// MurmurHash3, x86 32-bit, as published.
uint32_t murmur3_32_seeded(const void* data, size_t length, uint32_t seed);
// The key hash: seed 0x6D465352.
void murmur3_32(const void* data, size_t length, uint32_t* out);

class record_index_slot
{
public:
    record_index_slot(int channel, const std::string& label, int32_t port);
    record_index_slot(const record_index_slot&) = delete;
    record_index_slot& operator=(const record_index_slot&) = delete;

    int channel() const { return m_channel; }
    int32_t record_count() const;
    int32_t stream_type() const;

    // Replaces the slot's records (all three kinds) with copies of `count`
    // records of one kind, whose stride is the first record's size word;
    // keys out receives one key per record in record order. True when
    // stored, also for null records or a count of 0 (the slot is then
    // empty); false when the copy cannot be made (the slot is then empty).
    bool store(int32_t stream_type, const record_info* records, size_t count, std::vector<uint32_t>& keys);
    bool store(int32_t stream_type, const record_info_ex* records, size_t count, std::vector<uint32_t>& keys);
    bool store(
        int32_t stream_type, const record_info_arr* records, size_t count, std::vector<uint32_t>& keys);

    // Lookups by key; false (out untouched) for an unknown key. The arr form
    // points the descriptor's texts at `texts` when given, else at the
    // slot's own copies, which live until the slot's next store or clear.
    bool find(uint32_t key, record_descriptor* out) const;
    bool find(uint32_t key, record_descriptor_ex* out) const;
    bool find(uint32_t key, record_descriptor_arr* out, record_texts* texts = nullptr) const;

    // Bytes recorded between two record times over the stored records of
    // one kind: a record wholly inside counts whole, one that overlaps an
    // end counts by the share of its duration inside.
    uint64_t bytes_in_range(const record_time& begin, const record_time& end) const;
    uint64_t bytes_in_range_ex(const record_time& begin, const record_time& end) const;
    uint64_t bytes_in_range_arr(const record_time& begin, const record_time& end) const;

    // Keeps in `ids` only the keys of stored record_info_ex records, in
    // their order, and appends a copy of each such record to `records`.
    void filter_ids(std::vector<uint32_t>& ids, std::vector<record_info_ex>& records) const;

    // Empties the slot's records; its channel and key buffers stay.
    void clear(bool take_lock);

private:
    template <class R> struct kind {
        std::vector<R> records;
        std::map<uint32_t, const R*> by_key;
        std::vector<uint8_t> key_buffer;
    };
    template <class R>
    bool store_kind(
        kind<R>& k, int32_t stream_type, const R* records, size_t count, std::vector<uint32_t>& keys);
    template <class R, class D>
    bool find_kind(const kind<R>& k, uint32_t key, D* out, record_texts* texts) const;
    template <class R>
    uint64_t bytes_of(const kind<R>& k, const record_time& begin, const record_time& end) const;
    void clear_unlocked();

    const int m_channel;
    int32_t m_count = 0;
    int32_t m_stream_type = 0;
    mutable std::mutex m_lock;
    kind<record_info> m_basic;
    kind<record_info_ex> m_ex;
    kind<record_info_arr> m_arr;
    // The slot's copies of the texts of its record_info_arr records.
    std::vector<std::string> m_type_texts, m_event_texts, m_seq_texts;
};

class record_index
{
public:
    record_index();
    ~record_index();
    record_index(const record_index&) = delete;
    record_index& operator=(const record_index&) = delete;

    // The device's "ip or id" and port, which new slots put into their keys.
    void set_identity(const std::string& label, int32_t port);
    void clear_identity();
    std::string label() const;
    int32_t port() const;

    // Stores into the channel's slot, making it when it has none. False for
    // a channel outside 0 to 255 (nothing made) and when the copy fails.
    bool store(int channel, int32_t stream_type, const record_info* records, size_t count,
        std::vector<uint32_t>& keys);
    bool store(int channel, int32_t stream_type, const record_info_ex* records, size_t count,
        std::vector<uint32_t>& keys);
    bool store(int channel, int32_t stream_type, const record_info_arr* records, size_t count,
        std::vector<uint32_t>& keys);

    // False (descriptor untouched) for a bad channel, a channel without a
    // slot or an unknown key.
    bool find_record(int channel, uint32_t key, record_descriptor* out) const;
    bool find_record_ex(int channel, uint32_t key, record_descriptor_ex* out) const;
    bool find_record_arr(
        int channel, uint32_t key, record_descriptor_arr* out, record_texts* texts = nullptr) const;

    // The channel's slot, or null (bad channel, none made yet).
    record_index_slot* slot(int channel) const;
    // Empties every slot's records, each under its lock; the slots stay
    // (a logout).
    void clear_records();
    // Frees every slot and empties the label (the device goes away).
    void clear();

private:
    record_index_slot* slot_for_store(int channel);

    std::array<std::atomic<record_index_slot*>, kRecordIndexChannels> m_slots;
    std::mutex m_create_lock;
    mutable std::mutex m_identity_lock;
    std::string m_label;
    int32_t m_port = 0;
};
