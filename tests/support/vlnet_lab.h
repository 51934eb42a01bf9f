#pragma once
// A GoogleTest suite whose tests reach simulated devices through the VLNet
// stand-in: one devsim for the whole suite, VLNet started the way the
// program starts it, with times short enough that drops and reconnects
// happen within a test, and devsim's log printed when a test fails
// (devsim_lab.h).
//
//   class Login : public vltest::VlnetLabSuite {
//   protected:
//       static void SetUpTestSuite() { startLab({ "200", "1500", "1500", "300" }, { "--generate", "4" }); }
//   };
#include "support/devsim_lab.h"
#include "vlnet.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <json/value.h>
#include <string>
#include <utility>
#include <vector>

namespace vltest
{

// The stand-in's times in milliseconds (it reads them from its environment).
struct VlnetTimes {
    const char* reconnect; // VLNET_RECONNECT_MS
    const char* connectTimeout; // VLNET_CONNECT_TIMEOUT_MS
    const char* replyTimeout; // VLNET_REPLY_TIMEOUT_MS
    const char* keepalive; // VLNET_KEEPALIVE_MS
};

class VlnetLabSuite : public DevsimLabSuite
{
protected:
    // For the suite's SetUpTestSuite(): the times, devsim started with
    // `devsimArgs`, then VLNetInit().
    static void startLab(const VlnetTimes& times, std::vector<std::string> devsimArgs)
    {
        setenv("VLNET_RECONNECT_MS", times.reconnect, 1);
        setenv("VLNET_CONNECT_TIMEOUT_MS", times.connectTimeout, 1);
        setenv("VLNET_REPLY_TIMEOUT_MS", times.replyTimeout, 1);
        setenv("VLNET_KEEPALIVE_MS", times.keepalive, 1);
        startDevsim(std::move(devsimArgs));
        VLNetInit();
    }
    static void TearDownTestSuite()
    {
        VLNetRelease();
        stopDevsim();
    }
};

} // namespace vltest
