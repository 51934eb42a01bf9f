#pragma once
// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TestDir
{
public:
    TestDir()
    {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path()
            / ("vlsdk-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TestDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TestDir(const TestDir&) = delete;
    TestDir& operator=(const TestDir&) = delete;

    std::string path() const { return m_path.string(); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}
