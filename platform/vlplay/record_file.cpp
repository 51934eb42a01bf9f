#include "record_file.h"

#include <cerrno>
#include <cstring>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <sys/stat.h>

namespace vlplay
{

namespace
{

constexpr std::uint8_t kMagic[4] = { 'V', 'L', 'R', 'F' };
constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kFlagPassword = 1;

std::uint16_t get16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

std::uint64_t get64(const std::uint8_t* p)
{
    return std::uint64_t(get32(p)) | (std::uint64_t(get32(p + 4)) << 32);
}

void put16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

void put64(std::uint8_t* p, std::uint64_t v)
{
    put32(p, std::uint32_t(v));
    put32(p + 4, std::uint32_t(v >> 32));
}

void password_check(const std::uint8_t* salt, const char* password, std::uint8_t* out16)
{
    std::string input(reinterpret_cast<const char*>(salt), 16);
    input += password;
    std::uint8_t digest[EVP_MAX_MD_SIZE] {};
    unsigned int length = 0;
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr);
    std::memcpy(out16, digest, 16);
}

// MP4 containers: an "ftyp" box at offset 4; its major brand follows.
int container_result(const std::uint8_t* data, std::size_t size)
{
    if (size < 12 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return 0;
    static const char* const standard[] = { "isom", "iso2", "mp41", "mp42" };
    for (const char* brand : standard)
        if (std::memcmp(data + 8, brand, 4) == 0)
            return open_standard_mp4;
    return open_unknown_mp4;
}

int check_header(const std::uint8_t* h, std::size_t size, const char* password)
{
    if (int foreign = container_result(h, size))
        return foreign;
    if (size < kRecordHeaderSize || std::memcmp(h, kMagic, 4) != 0)
        return open_undecodable;
    if (crc32(0, h, 60) != get32(h + 60))
        return open_bad_checksum;
    const std::uint16_t flags = get16(h + 6);
    if (get16(h + 4) != kVersion || (flags & ~kFlagPassword) != 0)
        return open_undecodable;
    if (flags & kFlagPassword) {
        if (!password || !*password || std::strlen(password) > kRecordMaxPassword)
            return open_need_password;
        std::uint8_t check[16];
        password_check(h + 8, password, check);
        if (std::memcmp(check, h + 24, 16) != 0)
            return open_need_password;
    }
    return open_ok;
}

// Walks the frames after the header. `read` fills exactly n bytes or fails.
template <class Read> int check_frames(Read&& read, std::uint64_t remaining, record_file_facts* facts)
{
    record_file_facts f;
    std::vector<std::uint8_t> payload;
    bool key_seen = false;
    while (remaining > 0) {
        std::uint8_t head[kRecordFrameHead];
        if (remaining < kRecordFrameHead + 4)
            return open_undecodable;
        if (!read(head, kRecordFrameHead))
            return open_unreadable;
        const std::uint32_t length = get32(head + 12);
        if (length > kRecordMaxPayload || remaining - kRecordFrameHead - 4 < length)
            return open_undecodable;
        payload.resize(length + 4);
        if (!read(payload.data(), payload.size()))
            return open_unreadable;
        remaining -= kRecordFrameHead + 4 + std::uint64_t(length);
        std::uint32_t crc = crc32(0, head, sizeof head);
        crc = crc32(crc, payload.data(), length);
        if (crc != get32(payload.data() + length))
            return open_bad_checksum;
        const std::uint8_t type = head[0];
        const std::uint64_t time = get64(head + 4);
        if (type < 1 || type > 3 || head[1] || head[2] || head[3])
            return open_undecodable;
        if (f.frames > 0 && time < f.end_us)
            return open_undecodable;
        if (type == std::uint8_t(frame_type::key)) {
            key_seen = true;
            ++f.key_frames;
        } else if (type == std::uint8_t(frame_type::video) && !key_seen) {
            return open_undecodable;
        }
        if (f.frames == 0)
            f.begin_us = time;
        f.end_us = time;
        ++f.frames;
    }
    if (f.frames == 0)
        return open_undecodable;
    if (facts)
        *facts = f;
    return open_ok;
}

} // namespace

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size)
{
    static const auto table = [] {
        std::vector<std::uint32_t> t(256);
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    const auto* p = static_cast<const std::uint8_t*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

int check_record_bytes(
    const std::uint8_t* data, std::size_t size, const char* password, record_file_facts* facts)
{
    const int head = check_header(data, size, password);
    if (head != open_ok)
        return head;
    std::size_t at = kRecordHeaderSize;
    auto read = [&](std::uint8_t* out, std::size_t n) {
        std::memcpy(out, data + at, n);
        at += n;
        return true;
    };
    return check_frames(read, size - kRecordHeaderSize, facts);
}

int check_record_file(const char* path, const char* password, record_file_facts* facts)
{
    if (!path || !*path)
        return open_missing;
    struct stat st {
    };
    if (::stat(path, &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? open_missing : open_unreadable;
    if (!S_ISREG(st.st_mode))
        return open_unreadable;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return open_unreadable;
    std::uint8_t head[kRecordHeaderSize] {};
    const std::size_t got = std::fread(head, 1, sizeof head, file);
    int result = std::ferror(file) ? open_unreadable : check_header(head, got, password);
    if (result == open_ok) {
        auto read = [file](std::uint8_t* out, std::size_t n) { return std::fread(out, 1, n, file) == n; };
        result = check_frames(read, std::uint64_t(st.st_size) - kRecordHeaderSize, facts);
    }
    std::fclose(file);
    return result;
}

std::vector<std::uint8_t> record_header(const std::string& password)
{
    std::vector<std::uint8_t> h(kRecordHeaderSize, 0);
    std::memcpy(h.data(), kMagic, 4);
    put16(h.data() + 4, kVersion);
    if (!password.empty()) {
        put16(h.data() + 6, kFlagPassword);
        if (RAND_bytes(h.data() + 8, 16) != 1)
            for (int i = 0; i < 16; ++i)
                h[8 + i] = std::uint8_t(i * 37 + 11);
        password_check(h.data() + 8, password.c_str(), h.data() + 24);
    }
    put32(h.data() + 60, crc32(0, h.data(), 60));
    return h;
}

record_file_writer::~record_file_writer()
{
    close();
}

bool record_file_writer::create(const std::string& path, const std::string& password)
{
    close();
    if (password.size() > kRecordMaxPassword)
        return false;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file)
        return false;
    m_failed = false;
    m_any = false;
    m_last_us = 0;
    const auto head = record_header(password);
    m_failed = std::fwrite(head.data(), 1, head.size(), m_file) != head.size();
    return !m_failed;
}

bool record_file_writer::add_frame(
    frame_type type, std::uint64_t time_us, const void* payload, std::size_t size)
{
    if (!m_file || m_failed || size > kRecordMaxPayload || (m_any && time_us < m_last_us))
        return false;
    std::uint8_t head[kRecordFrameHead] {};
    head[0] = std::uint8_t(type);
    put64(head + 4, time_us);
    put32(head + 12, std::uint32_t(size));
    std::uint32_t crc = crc32(0, head, sizeof head);
    crc = crc32(crc, payload, size);
    std::uint8_t tail[4];
    put32(tail, crc);
    if (std::fwrite(head, 1, sizeof head, m_file) != sizeof head
        || (size && std::fwrite(payload, 1, size, m_file) != size) || std::fwrite(tail, 1, 4, m_file) != 4) {
        m_failed = true;
        return false;
    }
    m_any = true;
    m_last_us = time_us;
    return true;
}

bool record_file_writer::close()
{
    if (!m_file)
        return !m_failed;
    if (std::fclose(m_file) != 0)
        m_failed = true;
    m_file = nullptr;
    return !m_failed;
}

} // namespace vlplay
