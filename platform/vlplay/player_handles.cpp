#include "player_handles.h"

#include "vlplay.h"
#include "vlplay_test.h"

#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace
{

struct Player {
    VLPLAY_TEST_STATE state {};
    uint64_t played_us = 0;
    int32_t width = 0;
    int32_t height = 0;
    VLPLAY_FRAME_INFO decoded {};
    VLPLAY_FRAME_INFO net {};
    uint64_t record_first = 0;
    uint64_t record_second = 0;
    std::map<int32_t, std::vector<unsigned char>> pictures;
    int32_t next_picture = 1;
};

constexpr int32_t kInitialVolume = 50;
constexpr int32_t kMaxVolume = 100;

std::mutex g_lock;
// Guarded by g_lock.
std::map<int32_t, Player> g_players;
int32_t g_next_handle = 1;
std::set<std::string> g_failing;
std::string g_calls;

// The recorder keeps the most recent calls only: a program that never
// takes them must not grow without end.
constexpr size_t kMaxCallText = 1u << 20;

// Notes the call (under g_lock).
void record(const char* name, std::initializer_list<long long> args)
{
    if (g_calls.size() > kMaxCallText) {
        const size_t cut = g_calls.find('\n', g_calls.size() / 2);
        g_calls.erase(0, cut == std::string::npos ? g_calls.size() : cut + 1);
    }
    g_calls += name;
    for (long long a : args) {
        g_calls += ' ';
        g_calls += std::to_string(a);
    }
    g_calls += '\n';
}

// The handle's player, or null when the handle is unknown or the call is
// switched to fail (under g_lock).
Player* find(const char* name, int32_t handle)
{
    if (g_failing.count(name))
        return nullptr;
    auto it = g_players.find(handle);
    return it == g_players.end() ? nullptr : &it->second;
}

Player* known(int32_t handle)
{
    auto it = g_players.find(handle);
    return it == g_players.end() ? nullptr : &it->second;
}

// The common shape of a call that changes one field: recorded, then -1
// for an unknown handle or a failing call, else `change` and 0.
template <class Change> int simple_call(const char* name, int32_t handle, long long arg, Change&& change)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record(name, { handle, arg });
    Player* p = find(name, handle);
    if (!p)
        return -1;
    change(*p);
    return 0;
}

// args: the handle and the drawing's words.
int draw(const char* name, int32_t handle, std::initializer_list<long long> args)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record(name, args);
    return find(name, handle) ? 0 : -1;
}

int frame_info(const char* name, int32_t handle, VLPLAY_FRAME_INFO* info, bool net)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record(name, { handle });
    Player* p = find(name, handle);
    if (!p || !info)
        return -1;
    *info = net ? p->net : p->decoded;
    return 0;
}

template <class Change> int control(int32_t handle, Change&& change)
{
    std::lock_guard<std::mutex> hold(g_lock);
    Player* p = known(handle);
    if (!p)
        return -1;
    change(*p);
    return 0;
}

} // namespace

namespace vlplay
{

int32_t add_handle()
{
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_next_handle <= 0)
        return 0;
    const int32_t handle = g_next_handle++;
    Player& p = g_players[handle];
    p.state.volume = kInitialVolume;
    return handle;
}

bool remove_handle(int32_t handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    return g_players.erase(handle) != 0;
}

} // namespace vlplay

extern "C" {

// ---- Player handles ---------------------------------------------------

int VLPLAY_CALL VLPlayOpenSound(int32_t handle)
{
    return simple_call("VLPlayOpenSound", handle, 0, [](Player& p) { p.state.sound_on = 1; });
}

int VLPLAY_CALL VLPlayCloseSound(int32_t handle)
{
    return simple_call("VLPlayCloseSound", handle, 0, [](Player& p) { p.state.sound_on = 0; });
}

int VLPLAY_CALL VLPlaySetPlayVolume_s(int32_t handle, int32_t volume)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlaySetPlayVolume_s", { handle, volume });
    Player* p = find("VLPlaySetPlayVolume_s", handle);
    if (!p || volume < 0 || volume > kMaxVolume)
        return -1;
    p->state.volume = volume;
    return 0;
}

int VLPLAY_CALL VLPlayGetPlayVolume_s(int32_t handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayGetPlayVolume_s", { handle });
    Player* p = find("VLPlayGetPlayVolume_s", handle);
    return p ? p->state.volume : -1;
}

int VLPLAY_CALL VLPlaySetMute_s(int32_t handle, int32_t on)
{
    return simple_call("VLPlaySetMute_s", handle, on, [on](Player& p) { p.state.mute = on != 0; });
}

int VLPLAY_CALL VLPlayStoplocalrecord(int32_t handle, uint64_t* first, uint64_t* second)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayStoplocalrecord", { handle });
    Player* p = find("VLPlayStoplocalrecord", handle);
    if (!p || !p->state.recording)
        return -1;
    p->state.recording = 0;
    if (first)
        *first = p->record_first;
    if (second)
        *second = p->record_second;
    return 0;
}

int VLPLAY_CALL VLPlayCapturePictureToBuf(int32_t handle, uintptr_t word1, uintptr_t word2, uintptr_t word0)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayCapturePictureToBuf",
        { handle, static_cast<long long>(word1), static_cast<long long>(word2),
            static_cast<long long>(word0) });
    Player* p = find("VLPlayCapturePictureToBuf", handle);
    // The stand-in decodes nothing: a capture succeeds while a picture is
    // shown, and leaves the caller's buffer as it is.
    return p && p->width > 0 && p->height > 0 ? 0 : -1;
}

uint64_t VLPLAY_CALL VLPlayGetCurPlayedTime(int32_t handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayGetCurPlayedTime", { handle });
    Player* p = find("VLPlayGetCurPlayedTime", handle);
    return p ? p->played_us : 0;
}

int VLPLAY_CALL VLPlayFishSetMode(int32_t handle, int32_t mode)
{
    return simple_call("VLPlayFishSetMode", handle, mode, [mode](Player& p) { p.state.fish_mode = mode; });
}

int VLPLAY_CALL VLPlayWindowInZoomStatus(int32_t handle)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayWindowInZoomStatus", { handle });
    Player* p = find("VLPlayWindowInZoomStatus", handle);
    return p ? p->state.zoomed : 0;
}

int VLPLAY_CALL VLPlaySetColor(int32_t handle, int32_t colour)
{
    return simple_call("VLPlaySetColor", handle, colour, [colour](Player& p) { p.state.colour = colour; });
}

int VLPLAY_CALL VLPlayDrawLine(int32_t handle, intptr_t a, intptr_t b)
{
    return draw("VLPlayDrawLine", handle, { handle, a, b });
}

int VLPLAY_CALL VLPlayDrawRect(int32_t handle, intptr_t a, intptr_t b)
{
    return draw("VLPlayDrawRect", handle, { handle, a, b });
}

int VLPLAY_CALL VLPlayDrawSolidRect(int32_t handle, intptr_t a, intptr_t b, intptr_t c)
{
    return draw("VLPlayDrawSolidRect", handle, { handle, a, b, c });
}

int VLPLAY_CALL VLPlayDrawHollowCircle(int32_t handle, intptr_t a, intptr_t b)
{
    return draw("VLPlayDrawHollowCircle", handle, { handle, a, b });
}

int VLPLAY_CALL VLPlayDrawText(int32_t handle, intptr_t a, intptr_t b)
{
    return draw("VLPlayDrawText", handle, { handle, a, b });
}

int VLPLAY_CALL VLPlayUploadPictureFromMemory(int32_t handle, const void* data, int32_t size)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayUploadPictureFromMemory", { handle, size });
    Player* p = find("VLPlayUploadPictureFromMemory", handle);
    if (!p || !data || size <= 0 || p->next_picture <= 0)
        return -1;
    const auto* bytes = static_cast<const unsigned char*>(data);
    const int32_t id = p->next_picture++;
    p->pictures[id].assign(bytes, bytes + size);
    p->state.pictures = static_cast<int32_t>(p->pictures.size());
    return id;
}

int VLPLAY_CALL VLPlayDeletePicture(int32_t handle, int32_t id)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayDeletePicture", { handle, id });
    Player* p = find("VLPlayDeletePicture", handle);
    if (!p || !p->pictures.erase(id))
        return -1;
    p->state.pictures = static_cast<int32_t>(p->pictures.size());
    return 0;
}

int VLPLAY_CALL VLPlayDrawPicture(int32_t handle, int32_t id, intptr_t a, intptr_t b)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayDrawPicture", { handle, id, a, b });
    Player* p = find("VLPlayDrawPicture", handle);
    return p && p->pictures.count(id) ? 0 : -1;
}

int VLPLAY_CALL VLPlayGetPlayPicSize(int32_t handle, int32_t* width, int32_t* height)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayGetPlayPicSize", { handle });
    Player* p = find("VLPlayGetPlayPicSize", handle);
    if (!p || !width || !height)
        return -1;
    *width = p->width;
    *height = p->height;
    return 0;
}

int VLPLAY_CALL VLPlayAdjustViewArea(int32_t handle, int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    std::lock_guard<std::mutex> hold(g_lock);
    record("VLPlayAdjustViewArea", { handle, left, right, top, bottom });
    Player* p = find("VLPlayAdjustViewArea", handle);
    if (!p)
        return -1;
    p->state.view_left = left;
    p->state.view_right = right;
    p->state.view_top = top;
    p->state.view_bottom = bottom;
    return 0;
}

int VLPLAY_CALL VLPlayGetFrameInfo(int32_t handle, VLPLAY_FRAME_INFO* info)
{
    return frame_info("VLPlayGetFrameInfo", handle, info, false);
}

int VLPLAY_CALL VLPlayGetNetFrameInfo(int32_t handle, VLPLAY_FRAME_INFO* info)
{
    return frame_info("VLPlayGetNetFrameInfo", handle, info, true);
}

int VLPLAY_CALL VLPlayLostPlay(int32_t handle, const VLPLAY_PLAY_RESET* info)
{
    if (!info)
        return -1;
    return simple_call("VLPlayLostPlay", handle, 0, [](Player& p) { ++p.state.lost; });
}

int VLPLAY_CALL VLPlayResetPlay(int32_t handle, const VLPLAY_PLAY_RESET* info)
{
    if (!info)
        return -1;
    return simple_call("VLPlayResetPlay", handle, 0, [](Player& p) { ++p.state.resets; });
}

int VLPLAY_CALL VLPlayEnablePosFrame(int32_t handle, int32_t enable)
{
    return simple_call(
        "VLPlayEnablePosFrame", handle, enable, [enable](Player& p) { p.state.pos_frame = enable != 0; });
}

// ---- Test control -------------------------------------------------------

int32_t VLPLAY_CALL VLPlayTestCreateHandle(void)
{
    return vlplay::add_handle();
}

int VLPLAY_CALL VLPlayTestDestroyHandle(int32_t handle)
{
    return vlplay::remove_handle(handle) ? 0 : -1;
}

void VLPLAY_CALL VLPlayTestReset(void)
{
    std::lock_guard<std::mutex> hold(g_lock);
    g_players.clear();
    g_failing.clear();
    g_calls.clear();
}

int VLPLAY_CALL VLPlayTestSetPlayedTime(int32_t handle, uint64_t microseconds)
{
    return control(handle, [&](Player& p) { p.played_us = microseconds; });
}

int VLPLAY_CALL VLPlayTestSetPictureSize(int32_t handle, int32_t width, int32_t height)
{
    return control(handle, [&](Player& p) {
        p.width = width;
        p.height = height;
    });
}

int VLPLAY_CALL VLPlayTestSetFrameInfo(
    int32_t handle, const VLPLAY_FRAME_INFO* decoded, const VLPLAY_FRAME_INFO* net)
{
    return control(handle, [&](Player& p) {
        if (decoded)
            p.decoded = *decoded;
        if (net)
            p.net = *net;
    });
}

int VLPLAY_CALL VLPlayTestSetZoomed(int32_t handle, int32_t zoomed)
{
    return control(handle, [&](Player& p) { p.state.zoomed = zoomed != 0; });
}

int VLPLAY_CALL VLPlayTestStartRecording(int32_t handle, uint64_t first, uint64_t second)
{
    return control(handle, [&](Player& p) {
        p.state.recording = 1;
        p.record_first = first;
        p.record_second = second;
    });
}

int VLPLAY_CALL VLPlayTestGetState(int32_t handle, VLPLAY_TEST_STATE* state)
{
    if (!state)
        return -1;
    return control(handle, [&](Player& p) { *state = p.state; });
}

void VLPLAY_CALL VLPlayTestFailCall(const char* name, int fail)
{
    if (!name)
        return;
    std::lock_guard<std::mutex> hold(g_lock);
    if (fail)
        g_failing.insert(name);
    else
        g_failing.erase(name);
}

int VLPLAY_CALL VLPlayTestTakeCalls(char* out, int size)
{
    std::lock_guard<std::mutex> hold(g_lock);
    const int length = static_cast<int>(g_calls.size());
    if (out && size > length) {
        std::memcpy(out, g_calls.c_str(), g_calls.size() + 1);
        g_calls.clear();
    }
    return length;
}

} // extern "C"
