#include "instances/record_index.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

namespace
{

constexpr uint32_t kKeySeed = 0x6D465352u;

// Label, channel and port follow the record in a key buffer.
template <class R> constexpr size_t key_buffer_size()
{
    return sizeof(R) + kRecordKeyLabelSize + sizeof(int32_t) + sizeof(int32_t);
}
static_assert(key_buffer_size<record_info>() == 128, "record_info key buffer");
static_assert(key_buffer_size<record_info_ex>() == 148, "record_info_ex key buffer");
static_assert(key_buffer_size<record_info_arr>() % 4 == 0, "key buffers hash in whole blocks");

template <class R> std::vector<uint8_t> make_key_buffer(const std::string& label, int channel, int32_t port)
{
    std::vector<uint8_t> buffer(key_buffer_size<R>(), 0);
    // A longer "ip or id" is cut to the field; it only feeds the hash.
    std::memcpy(buffer.data() + sizeof(R), label.data(), std::min(label.size(), kRecordKeyLabelSize));
    const int32_t channel32 = channel;
    std::memcpy(buffer.data() + sizeof(R) + kRecordKeyLabelSize, &channel32, sizeof channel32);
    std::memcpy(buffer.data() + sizeof(R) + kRecordKeyLabelSize + sizeof(int32_t), &port, sizeof port);
    return buffer;
}

// Bytes between the last fixed field of a record_info_arr and its first
// text pointer: padding where pointers are 8 bytes wide, zeroed so that the
// key of a record does not depend on what the source left there.
constexpr size_t kArrFixedEnd = offsetof(record_info_arr, reserved73) + sizeof(record_info_arr::reserved73);
constexpr size_t kArrPadding = offsetof(record_info_arr, record_type_json) - kArrFixedEnd;

uint32_t rotl32(uint32_t x, int r)
{
    return (x << r) | (x >> (32 - r));
}

} // namespace

int64_t datetime_to_seconds(int year, int month, int day, int hour, int minute, int second)
{
    int m = 0;
    int y = 0;
    if (month > 2) {
        m = month - 2;
        y = year;
    } else {
        m = month + 10;
        y = year - 1;
    }
    const int64_t days = int64_t(y / 4 - y / 100 + y / 400 + 367 * m / 12 + day) + int64_t(y) * 365;
    return ((days * 24 + hour) * 60 + minute) * 60 + second - 62164713600LL;
}

int64_t datetime_to_seconds(const record_time& t)
{
    return datetime_to_seconds(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

uint32_t murmur3_32_seeded(const void* data, size_t length, uint32_t seed)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    const size_t blocks = length / 4;
    const uint32_t c1 = 0xcc9e2d51u;
    const uint32_t c2 = 0x1b873593u;
    uint32_t h1 = seed;
    for (size_t i = 0; i < blocks; ++i) {
        const uint8_t* p = bytes + i * 4;
        uint32_t k1 = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        k1 *= c1;
        k1 = rotl32(k1, 15);
        k1 *= c2;
        h1 ^= k1;
        h1 = rotl32(h1, 13);
        h1 = h1 * 5 + 0xe6546b64u;
    }
    const uint8_t* tail = bytes + blocks * 4;
    uint32_t k1 = 0;
    switch (length & 3) {
    case 3:
        k1 ^= uint32_t(tail[2]) << 16;
        [[fallthrough]];
    case 2:
        k1 ^= uint32_t(tail[1]) << 8;
        [[fallthrough]];
    case 1:
        k1 ^= tail[0];
        k1 *= c1;
        k1 = rotl32(k1, 15);
        k1 *= c2;
        h1 ^= k1;
        break;
    default:
        break;
    }
    h1 ^= uint32_t(length);
    h1 ^= h1 >> 16;
    h1 *= 0x85ebca6bu;
    h1 ^= h1 >> 13;
    h1 *= 0xc2b2ae35u;
    h1 ^= h1 >> 16;
    return h1;
}

void murmur3_32(const void* data, size_t length, uint32_t* out)
{
    *out = murmur3_32_seeded(data, length, kKeySeed);
}

// ---- record_index_slot ---------------------------------------------------

record_index_slot::record_index_slot(int channel, const std::string& label, int32_t port)
    : m_channel(channel)
{
    m_basic.key_buffer = make_key_buffer<record_info>(label, channel, port);
    m_ex.key_buffer = make_key_buffer<record_info_ex>(label, channel, port);
    m_arr.key_buffer = make_key_buffer<record_info_arr>(label, channel, port);
}

int32_t record_index_slot::record_count() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_count;
}

int32_t record_index_slot::stream_type() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_stream_type;
}

template <class R>
bool record_index_slot::store_kind(
    kind<R>& k, int32_t stream_type, const R* records, size_t count, std::vector<uint32_t>& keys)
{
    constexpr size_t size = sizeof(R);
    std::lock_guard<std::mutex> hold(m_lock);
    keys.clear();
    clear_unlocked();
    if (!records || count == 0)
        return true;
    if (count > std::numeric_limits<uint32_t>::max() / size)
        return false;
    try {
        k.records.assign(count, R {});
        if constexpr (std::is_same_v<R, record_info_arr>) {
            m_type_texts.assign(count, {});
            m_event_texts.assign(count, {});
            m_seq_texts.assign(count, {});
        }
        keys.reserve(count);
    } catch (const std::bad_alloc&) {
        clear_unlocked();
        keys.clear();
        return false;
    }

    const auto* source = reinterpret_cast<const uint8_t*>(records);
    uint32_t stride = 0;
    std::memcpy(&stride, source, sizeof stride);
    const bool whole = stride == size;
    if (whole) {
        std::memcpy(static_cast<void*>(k.records.data()), source, count * size);
    } else {
        // Another layout than ours: as much of each record as both hold;
        // texts are kept only from records of exactly our layout.
        for (size_t i = 0; i < count; ++i) {
            std::memcpy(static_cast<void*>(&k.records[i]), source + i * size_t(stride),
                std::min<size_t>(stride, size));
            k.records[i].size = uint32_t(size);
            if constexpr (std::is_same_v<R, record_info_arr>) {
                k.records[i].record_type_json = nullptr;
                k.records[i].event_id_json = nullptr;
                k.records[i].event_seq = nullptr;
            }
        }
    }
    if constexpr (std::is_same_v<R, record_info_arr>) {
        for (size_t i = 0; i < count; ++i) {
            auto& r = k.records[i];
            std::memset(reinterpret_cast<uint8_t*>(&r) + kArrFixedEnd, 0, kArrPadding);
            if (!whole)
                continue;
            if (r.record_type_json)
                r.record_type_json = (m_type_texts[i] = r.record_type_json).c_str();
            if (r.event_id_json)
                r.event_id_json = (m_event_texts[i] = r.event_id_json).c_str();
            if (r.event_seq)
                r.event_seq = (m_seq_texts[i] = r.event_seq).c_str();
        }
    }

    for (const R& r : k.records) {
        std::memcpy(k.key_buffer.data(), &r, size);
        uint32_t key = 0;
        murmur3_32(k.key_buffer.data(), k.key_buffer.size(), &key);
        // Two equal records share a key, which names the first of them.
        k.by_key.emplace(key, &r);
        keys.push_back(key);
    }
    m_count = int32_t(count);
    m_stream_type = stream_type;
    return true;
}

bool record_index_slot::store(
    int32_t stream_type, const record_info* records, size_t count, std::vector<uint32_t>& keys)
{
    return store_kind(m_basic, stream_type, records, count, keys);
}

bool record_index_slot::store(
    int32_t stream_type, const record_info_ex* records, size_t count, std::vector<uint32_t>& keys)
{
    return store_kind(m_ex, stream_type, records, count, keys);
}

bool record_index_slot::store(
    int32_t stream_type, const record_info_arr* records, size_t count, std::vector<uint32_t>& keys)
{
    return store_kind(m_arr, stream_type, records, count, keys);
}

template <class R, class D>
bool record_index_slot::find_kind(const kind<R>& k, uint32_t key, D* out, record_texts* texts) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    const auto it = k.by_key.find(key);
    if (it == k.by_key.end())
        return false;
    R r = *it->second;
    if constexpr (std::is_same_v<R, record_info_arr>) {
        if (texts) {
            auto keep = [](const char* text, std::optional<std::string>& copy) -> const char* {
                if (!text) {
                    copy.reset();
                    return nullptr;
                }
                copy = text;
                return copy->c_str();
            };
            r.record_type_json = keep(r.record_type_json, texts->record_type_json);
            r.event_id_json = keep(r.event_id_json, texts->event_id_json);
            r.event_seq = keep(r.event_seq, texts->event_seq);
        }
    }
    std::memset(static_cast<void*>(out), 0, sizeof *out);
    out->channel = m_channel;
    out->stream_type = m_stream_type;
    out->record = r;
    return true;
}

bool record_index_slot::find(uint32_t key, record_descriptor* out) const
{
    return find_kind(m_basic, key, out, nullptr);
}

bool record_index_slot::find(uint32_t key, record_descriptor_ex* out) const
{
    return find_kind(m_ex, key, out, nullptr);
}

bool record_index_slot::find(uint32_t key, record_descriptor_arr* out, record_texts* texts) const
{
    return find_kind(m_arr, key, out, texts);
}

template <class R>
uint64_t record_index_slot::bytes_of(const kind<R>& k, const record_time& begin, const record_time& end) const
{
    const auto b = uint64_t(datetime_to_seconds(begin));
    const auto e = uint64_t(datetime_to_seconds(end));
    if (e < b)
        return 0; // an empty range
    uint64_t total = 0;
    for (const R& r : k.records) {
        const auto s = uint64_t(datetime_to_seconds(r.begin));
        const auto t = uint64_t(datetime_to_seconds(r.end));
        if (s > e || t < b)
            continue;
        if (s > b && t < e) {
            total += r.file_size;
            continue;
        }
        uint64_t overlap = 0;
        if (s <= b && t <= e)
            overlap = t - b;
        else if (s <= b)
            overlap = e - b;
        else
            overlap = e - s;
        const uint64_t duration = t - s;
        if (duration == 0) {
            // A record of no duration that touches the range lies in it.
            total += r.file_size;
            continue;
        }
        const float share = float(double(overlap)) / float(double(duration));
        const float bytes = float(r.file_size) * share;
        total += uint64_t(int64_t(bytes));
    }
    return total;
}

uint64_t record_index_slot::bytes_in_range(const record_time& begin, const record_time& end) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return bytes_of(m_basic, begin, end);
}

uint64_t record_index_slot::bytes_in_range_ex(const record_time& begin, const record_time& end) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return bytes_of(m_ex, begin, end);
}

uint64_t record_index_slot::bytes_in_range_arr(const record_time& begin, const record_time& end) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return bytes_of(m_arr, begin, end);
}

void record_index_slot::filter_ids(std::vector<uint32_t>& ids, std::vector<record_info_ex>& records) const
{
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<uint32_t> known;
    known.reserve(ids.size());
    for (const uint32_t id : ids) {
        const auto it = m_ex.by_key.find(id);
        if (it == m_ex.by_key.end())
            continue;
        known.push_back(id);
        records.push_back(*it->second);
    }
    ids.swap(known);
}

void record_index_slot::clear(bool take_lock)
{
    if (!take_lock) {
        clear_unlocked();
        return;
    }
    std::lock_guard<std::mutex> hold(m_lock);
    clear_unlocked();
}

void record_index_slot::clear_unlocked()
{
    m_basic.by_key.clear();
    m_ex.by_key.clear();
    m_arr.by_key.clear();
    std::vector<record_info>().swap(m_basic.records);
    std::vector<record_info_ex>().swap(m_ex.records);
    std::vector<record_info_arr>().swap(m_arr.records);
    std::vector<std::string>().swap(m_type_texts);
    std::vector<std::string>().swap(m_event_texts);
    std::vector<std::string>().swap(m_seq_texts);
    m_count = 0;
    m_stream_type = 0;
}

// ---- record_index ----------------------------------------------------------

record_index::record_index()
{
    for (auto& s : m_slots)
        s.store(nullptr);
}

record_index::~record_index()
{
    clear();
}

void record_index::set_identity(const std::string& label, int32_t port)
{
    std::lock_guard<std::mutex> hold(m_identity_lock);
    m_label = label;
    m_port = port;
}

void record_index::clear_identity()
{
    set_identity({}, 0);
}

std::string record_index::label() const
{
    std::lock_guard<std::mutex> hold(m_identity_lock);
    return m_label;
}

int32_t record_index::port() const
{
    std::lock_guard<std::mutex> hold(m_identity_lock);
    return m_port;
}

record_index_slot* record_index::slot(int channel) const
{
    if (channel < 0 || channel >= kRecordIndexChannels)
        return nullptr;
    return m_slots[size_t(channel)].load(std::memory_order_acquire);
}

record_index_slot* record_index::slot_for_store(int channel)
{
    if (channel < 0 || channel >= kRecordIndexChannels)
        return nullptr;
    if (auto* existing = slot(channel))
        return existing;
    std::lock_guard<std::mutex> hold(m_create_lock);
    if (auto* existing = slot(channel))
        return existing;
    auto* made = new (std::nothrow) record_index_slot(channel, label(), port());
    m_slots[size_t(channel)].store(made, std::memory_order_release);
    return made;
}

bool record_index::store(
    int channel, int32_t stream_type, const record_info* records, size_t count, std::vector<uint32_t>& keys)
{
    auto* s = slot_for_store(channel);
    return s && s->store(stream_type, records, count, keys);
}

bool record_index::store(int channel, int32_t stream_type, const record_info_ex* records, size_t count,
    std::vector<uint32_t>& keys)
{
    auto* s = slot_for_store(channel);
    return s && s->store(stream_type, records, count, keys);
}

bool record_index::store(int channel, int32_t stream_type, const record_info_arr* records, size_t count,
    std::vector<uint32_t>& keys)
{
    auto* s = slot_for_store(channel);
    return s && s->store(stream_type, records, count, keys);
}

bool record_index::find_record(int channel, uint32_t key, record_descriptor* out) const
{
    const auto* s = slot(channel);
    return s && s->find(key, out);
}

bool record_index::find_record_ex(int channel, uint32_t key, record_descriptor_ex* out) const
{
    const auto* s = slot(channel);
    return s && s->find(key, out);
}

bool record_index::find_record_arr(
    int channel, uint32_t key, record_descriptor_arr* out, record_texts* texts) const
{
    const auto* s = slot(channel);
    return s && s->find(key, out, texts);
}

void record_index::clear_records()
{
    for (auto& s : m_slots) {
        if (auto* p = s.load(std::memory_order_acquire))
            p->clear(true);
    }
}

void record_index::clear()
{
    {
        std::lock_guard<std::mutex> hold(m_create_lock);
        for (auto& s : m_slots)
            delete s.exchange(nullptr);
    }
    std::lock_guard<std::mutex> hold(m_identity_lock);
    m_label.clear();
}
