// The start-up calls of the player and ONVIF stand-ins: reference-counted,
// the player's log written where it is told, the ONVIF test switch.
#include "support/lab.h"
#include "vlonvifs.h"
#include "vlplay.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

TEST(VLPlayStartup, LogGoesToTheGivenFileAndRepeatedStartUpIsFine)
{
    vltest::TempDir dir;
    VLPLAY_LOG_INFO log;
    std::memset(&log, 0, sizeof(log));
    std::snprintf(log.file_path, sizeof(log.file_path), "%s", dir.file("VLPlay.txt").c_str());
    EXPECT_EQ(VLPlayInitLog(nullptr), 0);
    ASSERT_EQ(VLPlayInitLog(&log), 1);
    EXPECT_EQ(VLPlayInitPlayLib(4, 0, nullptr), 1);
    EXPECT_EQ(VLPlayInitPlayLib(4, 0, nullptr), 1);
    EXPECT_EQ(VLPlaySetMaxHardwareDecodeNumber(4), 1);
    EXPECT_EQ(VLPlayDeinitPlayLib(), 1);
    EXPECT_EQ(VLPlayDeinitPlayLib(), 1);
    EXPECT_EQ(VLPlayDeinitPlayLib(), 1) << "an extra release is harmless";
    std::ifstream in(dir.file("VLPlay.txt"));
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("player library started"), std::string::npos);
    EXPECT_NE(text.str().find("player library stopped"), std::string::npos);
    std::memset(&log, 0, sizeof(log));
    VLPlayInitLog(&log); // closes the file
}

TEST(VLOnvifsStartup, SearchTimeoutAnswersFalseOnlyUnderTheTestSwitch)
{
    EXPECT_EQ(VLOnvifInit(), 1);
    unsetenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
    EXPECT_TRUE(VLOnvifSetSearchTimeout(2, 2, 2));
    setenv("VLONVIFS_FAIL_SEARCH_TIMEOUT", "1", 1);
    EXPECT_FALSE(VLOnvifSetSearchTimeout(2, 2, 2));
    unsetenv("VLONVIFS_FAIL_SEARCH_TIMEOUT");
    EXPECT_EQ(VLOnvifRelease(), 1);
    EXPECT_EQ(VLOnvifRelease(), 1);
}
