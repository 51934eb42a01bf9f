#pragma once
// The stand-in player's recording file (RECORD_FILE.md): the one writer and
// reader of it. The player's file calls (vlplay.h, "Recorded files") read
// through check_record_file; tests, and later downloads and local
// recordings, write through record_file_writer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vlplay
{

constexpr std::size_t kRecordHeaderSize = 64;
constexpr std::size_t kRecordFrameHead = 16;
constexpr std::uint32_t kRecordMaxPayload = 16u * 1024u * 1024u;
constexpr std::size_t kRecordMaxPassword = 63;

enum class frame_type : std::uint8_t {
    key = 1,
    video = 2,
    audio = 3,
};

// The open results of the format (RECORD_FILE.md, "Opening").
enum open_result : int {
    open_ok = 1,
    open_missing = -2,
    open_unreadable = -3,
    open_need_password = -4,
    open_standard_mp4 = -5,
    open_unknown_mp4 = -6,
    open_undecodable = -7,
    open_bad_checksum = -8,
};

// What a successful check learnt of a file.
struct record_file_facts {
    std::uint64_t begin_us = 0;
    std::uint64_t end_us = 0;
    std::uint32_t key_frames = 0;
    std::uint32_t frames = 0;
};

// CRC-32 (IEEE, reflected, as zlib's crc32), continuing from `crc` (0 to
// begin).
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

// Reads and checks a whole file. password: null or empty when the caller
// gave none.
int check_record_file(const char* path, const char* password, record_file_facts* facts);
// The same over bytes in memory (the fuzz target's entry).
int check_record_bytes(
    const std::uint8_t* data, std::size_t size, const char* password, record_file_facts* facts);

// Writes a file of the format, frame by frame. Nothing is kept open between
// calls of different writers; one writer is used by one thread.
class record_file_writer
{
public:
    record_file_writer() = default;
    ~record_file_writer();
    record_file_writer(const record_file_writer&) = delete;
    record_file_writer& operator=(const record_file_writer&) = delete;

    // Creates (or replaces) the file; password empty for none. False when
    // the file cannot be created or the password is longer than 63 bytes.
    bool create(const std::string& path, const std::string& password = {});
    // False when the payload is too long, a time goes backwards, or the
    // write fails.
    bool add_frame(frame_type type, std::uint64_t time_us, const void* payload, std::size_t size);
    // Flushes and closes; false when a write failed.
    bool close();

private:
    std::FILE* m_file = nullptr;
    bool m_failed = false;
    bool m_any = false;
    std::uint64_t m_last_us = 0;
};

// The header of a file (RECORD_FILE.md), for tests that build damaged files.
std::vector<std::uint8_t> record_header(const std::string& password);

} // namespace vlplay
