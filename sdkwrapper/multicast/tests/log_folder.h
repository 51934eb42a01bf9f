#pragma once
// The engines' log ("multi_log.txt") written into a fresh temporary folder
// for the life of the object, and read back by the test.
#include "multicast/multicast_log.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

class LogFolder
{
public:
    // `prefix` names the folder apart from those of other test programs.
    explicit LogFolder(const std::string& prefix)
    {
        m_path = std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
        vlsdk::multicast_log_set_folder(m_path.string());
    }
    ~LogFolder()
    {
        vlsdk::multicast_log_set_folder({});
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    LogFolder(const LogFolder&) = delete;
    LogFolder& operator=(const LogFolder&) = delete;

    std::string text() const
    {
        std::ifstream in(m_path / vlsdk::kMulticastLogName, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::filesystem::path m_path;
};
