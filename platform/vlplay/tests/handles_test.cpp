// The player-handle calls of the VLPlay stand-in: each handle keeps its own
// state, unknown handles and failing calls are refused, and the recorder
// shows the calls with their arguments.
#include "vlplay.h"
#include "vlplay_test.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> take_calls()
{
    const int length = VLPlayTestTakeCalls(nullptr, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    EXPECT_EQ(VLPlayTestTakeCalls(&text[0], length + 1), length);
    text.resize(static_cast<size_t>(length));
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

VLPLAY_TEST_STATE state_of(int32_t handle)
{
    VLPLAY_TEST_STATE s {};
    EXPECT_EQ(VLPlayTestGetState(handle, &s), 0);
    return s;
}

class VLPlayHandles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VLPlayTestReset();
        a = VLPlayTestCreateHandle();
        b = VLPlayTestCreateHandle();
        ASSERT_GT(a, 0);
        ASSERT_GT(b, 0);
        ASSERT_NE(a, b);
    }
    void TearDown() override { VLPlayTestReset(); }

    int32_t a = 0;
    int32_t b = 0;
};

} // namespace

TEST_F(VLPlayHandles, EachHandleKeepsItsOwnState)
{
    EXPECT_EQ(VLPlayGetPlayVolume_s(a), 50) << "a new player plays at half volume";
    EXPECT_EQ(VLPlayOpenSound(a), 0);
    EXPECT_EQ(VLPlaySetPlayVolume_s(a, 80), 0);
    EXPECT_EQ(VLPlaySetMute_s(a, 1), 0);
    EXPECT_EQ(VLPlaySetColor(a, 0xFF0000), 0);
    EXPECT_EQ(VLPlayFishSetMode(a, 3), 0);
    EXPECT_EQ(VLPlayEnablePosFrame(a, 1), 0);
    EXPECT_EQ(VLPlayAdjustViewArea(a, 10, 20, 30, 40), 0);
    VLPLAY_PLAY_RESET reset {};
    EXPECT_EQ(VLPlayLostPlay(a, &reset), 0);
    EXPECT_EQ(VLPlayResetPlay(a, &reset), 0);
    EXPECT_EQ(VLPlayResetPlay(a, nullptr), -1);

    const VLPLAY_TEST_STATE s = state_of(a);
    EXPECT_EQ(s.sound_on, 1);
    EXPECT_EQ(s.volume, 80);
    EXPECT_EQ(s.mute, 1);
    EXPECT_EQ(s.colour, 0xFF0000);
    EXPECT_EQ(s.fish_mode, 3);
    EXPECT_EQ(s.pos_frame, 1);
    EXPECT_EQ(s.view_left, 10);
    EXPECT_EQ(s.view_bottom, 40);
    EXPECT_EQ(s.lost, 1);
    EXPECT_EQ(s.resets, 1);
    EXPECT_EQ(VLPlayGetPlayVolume_s(a), 80) << "muting keeps the volume";

    const VLPLAY_TEST_STATE other = state_of(b);
    EXPECT_EQ(other.sound_on, 0);
    EXPECT_EQ(other.volume, 50);
    EXPECT_EQ(other.mute, 0);

    EXPECT_EQ(VLPlayCloseSound(a), 0);
    EXPECT_EQ(state_of(a).sound_on, 0);
    EXPECT_EQ(VLPlaySetPlayVolume_s(a, 101), -1);
    EXPECT_EQ(VLPlaySetPlayVolume_s(a, -1), -1);
    EXPECT_EQ(VLPlayGetPlayVolume_s(a), 80) << "a refused volume changes nothing";
}

TEST_F(VLPlayHandles, UnknownHandlesAreRefused)
{
    ASSERT_EQ(VLPlayTestDestroyHandle(b), 0);
    EXPECT_EQ(VLPlayTestDestroyHandle(b), -1);
    for (int32_t h : { 0, b, -5 }) {
        EXPECT_EQ(VLPlayOpenSound(h), -1) << h;
        EXPECT_EQ(VLPlayGetPlayVolume_s(h), -1) << h;
        EXPECT_EQ(VLPlayGetCurPlayedTime(h), 0u) << h;
        EXPECT_EQ(VLPlayWindowInZoomStatus(h), 0) << h;
        EXPECT_EQ(VLPlayDrawLine(h, 1, 2), -1) << h;
        EXPECT_EQ(VLPlayUploadPictureFromMemory(h, "x", 1), -1) << h;
        int32_t w = 7;
        int32_t ht = 7;
        EXPECT_EQ(VLPlayGetPlayPicSize(h, &w, &ht), -1) << h;
        EXPECT_EQ(w, 7) << "nothing written";
        EXPECT_EQ(VLPlayTestSetPlayedTime(h, 1), -1) << h;
    }
}

TEST_F(VLPlayHandles, PicturesHaveIdsPerHandle)
{
    const char data[] = "picture";
    EXPECT_EQ(VLPlayUploadPictureFromMemory(a, data, sizeof data), 1);
    EXPECT_EQ(VLPlayUploadPictureFromMemory(a, data, sizeof data), 2);
    EXPECT_EQ(VLPlayUploadPictureFromMemory(b, data, sizeof data), 1) << "ids count per handle";
    EXPECT_EQ(VLPlayUploadPictureFromMemory(a, nullptr, 4), -1);
    EXPECT_EQ(VLPlayUploadPictureFromMemory(a, data, 0), -1);
    EXPECT_EQ(state_of(a).pictures, 2);
    EXPECT_EQ(VLPlayDrawPicture(a, 2, 5, 6), 0);
    EXPECT_EQ(VLPlayDeletePicture(a, 2), 0);
    EXPECT_EQ(VLPlayDeletePicture(a, 2), -1);
    EXPECT_EQ(VLPlayDrawPicture(a, 2, 5, 6), -1) << "a deleted picture is gone";
    EXPECT_EQ(VLPlayDrawPicture(b, 1, 5, 6), 0);
    EXPECT_EQ(state_of(a).pictures, 1);
}

TEST_F(VLPlayHandles, WhatTheTestSetsIsWhatThePlayerAnswers)
{
    EXPECT_EQ(VLPlayGetCurPlayedTime(a), 0u) << "nothing played yet";
    ASSERT_EQ(VLPlayTestSetPlayedTime(a, 1700000000123456ull), 0);
    EXPECT_EQ(VLPlayGetCurPlayedTime(a), 1700000000123456ull);

    int32_t w = -1;
    int32_t h = -1;
    EXPECT_EQ(VLPlayGetPlayPicSize(a, &w, &h), 0);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    EXPECT_EQ(VLPlayCapturePictureToBuf(a, 1, 2, 3), -1) << "no picture shown";
    ASSERT_EQ(VLPlayTestSetPictureSize(a, 1920, 1080), 0);
    EXPECT_EQ(VLPlayGetPlayPicSize(a, &w, &h), 0);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    EXPECT_EQ(VLPlayGetPlayPicSize(a, nullptr, &h), -1);
    EXPECT_EQ(VLPlayCapturePictureToBuf(a, 1, 2, 3), 0);

    VLPLAY_FRAME_INFO decoded {};
    decoded.frame_rate = 25;
    decoded.bit_rate = 4096;
    VLPLAY_FRAME_INFO net {};
    net.frame_rate = 30;
    ASSERT_EQ(VLPlayTestSetFrameInfo(a, &decoded, &net), 0);
    VLPLAY_FRAME_INFO got {};
    EXPECT_EQ(VLPlayGetFrameInfo(a, &got), 0);
    EXPECT_EQ(got.frame_rate, 25);
    EXPECT_EQ(got.bit_rate, 4096);
    EXPECT_EQ(VLPlayGetNetFrameInfo(a, &got), 0);
    EXPECT_EQ(got.frame_rate, 30);
    EXPECT_EQ(VLPlayGetFrameInfo(a, nullptr), -1);

    EXPECT_EQ(VLPlayWindowInZoomStatus(a), 0);
    ASSERT_EQ(VLPlayTestSetZoomed(a, 1), 0);
    EXPECT_EQ(VLPlayWindowInZoomStatus(a), 1);

    uint64_t first = 9;
    uint64_t second = 9;
    EXPECT_EQ(VLPlayStoplocalrecord(a, &first, &second), -1) << "no recording runs";
    EXPECT_EQ(first, 9u);
    ASSERT_EQ(VLPlayTestStartRecording(a, 100, 200), 0);
    EXPECT_EQ(state_of(a).recording, 1);
    EXPECT_EQ(VLPlayStoplocalrecord(a, &first, &second), 0);
    EXPECT_EQ(first, 100u);
    EXPECT_EQ(second, 200u);
    EXPECT_EQ(state_of(a).recording, 0);
    EXPECT_EQ(VLPlayStoplocalrecord(a, nullptr, nullptr), -1) << "it ended";
}

TEST_F(VLPlayHandles, AFailingCallIsRefusedUntilCleared)
{
    VLPlayTestFailCall("VLPlayOpenSound", 1);
    EXPECT_EQ(VLPlayOpenSound(a), -1);
    EXPECT_EQ(state_of(a).sound_on, 0);
    EXPECT_EQ(VLPlayCloseSound(a), 0) << "only the named call fails";
    VLPlayTestSetPlayedTime(a, 5);
    VLPlayTestFailCall("VLPlayGetCurPlayedTime", 1);
    EXPECT_EQ(VLPlayGetCurPlayedTime(a), 0u);
    VLPlayTestFailCall("VLPlayOpenSound", 0);
    VLPlayTestFailCall("VLPlayGetCurPlayedTime", 0);
    EXPECT_EQ(VLPlayOpenSound(a), 0);
    EXPECT_EQ(VLPlayGetCurPlayedTime(a), 5u);
    VLPlayTestFailCall(nullptr, 1); // ignored
}

TEST_F(VLPlayHandles, TheRecorderShowsCallsAndArguments)
{
    take_calls();
    VLPlayAdjustViewArea(a, 0, 1920, 0, 1080);
    VLPlayDrawSolidRect(b, 1, -2, 3);
    VLPlayUploadPictureFromMemory(a, "abcd", 4);
    VLPlayCapturePictureToBuf(a, 11, 22, 33);
    VLPlayGetCurPlayedTime(a);
    const std::vector<std::string> want {
        "VLPlayAdjustViewArea " + std::to_string(a) + " 0 1920 0 1080",
        "VLPlayDrawSolidRect " + std::to_string(b) + " 1 -2 3",
        "VLPlayUploadPictureFromMemory " + std::to_string(a) + " 4",
        "VLPlayCapturePictureToBuf " + std::to_string(a) + " 11 22 33",
        "VLPlayGetCurPlayedTime " + std::to_string(a),
    };
    // A buffer too small writes nothing and keeps the calls.
    char small[8] = "keep";
    EXPECT_GT(VLPlayTestTakeCalls(small, sizeof small), 8);
    EXPECT_STREQ(small, "keep");
    EXPECT_EQ(take_calls(), want);
    EXPECT_TRUE(take_calls().empty()) << "taken calls are forgotten";
}

TEST_F(VLPlayHandles, TheRecorderKeepsOnlyTheRecentCalls)
{
    for (int i = 0; i < 100000; ++i)
        VLPlayDrawLine(a, i, i);
    const int length = VLPlayTestTakeCalls(nullptr, 0);
    EXPECT_LE(length, (1 << 20) + 64) << "a program that never takes the calls does not grow without end";
    const std::vector<std::string> calls = take_calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "VLPlayDrawLine " + std::to_string(a) + " 99999 99999");
    EXPECT_EQ(calls.front().rfind("VLPlayDrawLine ", 0), 0u) << "whole lines only";
}
