// The player instances and the recording files they open. Each instance
// holds at most one open file: the facts its check learnt (the file itself
// is read once, at the open, and not kept open).
#include "record_file.h"
#include "vlplay.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace
{

struct play_instance {
    int kind = 0;
    bool open = false;
    vlplay::record_file_facts facts;
};

std::mutex g_lock;
std::map<int, play_instance> g_instances; // guarded by g_lock
int g_next = 1; // guarded by g_lock

int open_file(int handle, const char* file, const char* password)
{
    if (!file)
        return -1;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        auto it = g_instances.find(handle);
        if (it == g_instances.end())
            return -1;
        it->second.open = false;
    }
    // Checked outside the lock: a long file must not hold up other players.
    vlplay::record_file_facts facts;
    const int result = vlplay::check_record_file(file, password, &facts);
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_instances.find(handle);
    if (it == g_instances.end())
        return -1;
    if (result == vlplay::open_ok) {
        it->second.open = true;
        it->second.facts = facts;
    }
    return result;
}

// A slot's text up to its first NUL, or the whole slot.
std::string slot_text(const char* slot, std::size_t size)
{
    return std::string(slot, strnlen(slot, size));
}

} // namespace

extern "C" {

int VLPLAY_CALL VLPlayCreatePlayInstance(int kind)
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_next <= 0)
        g_next = 1;
    const int handle = g_next++;
    g_instances[handle].kind = kind;
    return handle;
}

int VLPLAY_CALL VLPlayDestroyPlayInstance(int handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_instances.erase(handle) ? 1 : 0;
}

int VLPLAY_CALL VLPlayOpenPlayFile(int handle, const char* file)
{
    return open_file(handle, file, nullptr);
}

int VLPLAY_CALL VLPlayNewOpenPlayFileListExV1(int handle, const VLPLAY_PLAY_FILE_LIST* list)
{
    if (!list || !list->entries || list->count != 1)
        return -1;
    const VLPLAY_PLAY_FILE& entry = list->entries[0];
    const std::string name = slot_text(entry.file_name, sizeof entry.file_name);
    const std::string password = slot_text(entry.password, sizeof entry.password);
    return open_file(handle, name.c_str(), password.c_str());
}

int VLPLAY_CALL VLPlayGetPlayFileTimeRange(int handle, uint64_t* begin, uint64_t* end)
{
    if (!begin || !end)
        return 0;
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_instances.find(handle);
    if (it == g_instances.end() || !it->second.open)
        return 0;
    *begin = it->second.facts.begin_us;
    *end = it->second.facts.end_us;
    return 1;
}

int VLPLAY_CALL VLPlayGetKeyFrameCount(int handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_instances.find(handle);
    if (it == g_instances.end() || !it->second.open)
        return 0;
    return int(it->second.facts.key_frames);
}

int VLPLAY_CALL VLPlayClosePlayFile(int handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = g_instances.find(handle);
    if (it == g_instances.end() || !it->second.open)
        return 0;
    it->second.open = false;
    return 1;
}

} // extern "C"
