#pragma once
// A GoogleTest suite whose tests reach simulated devices: one devsim for the
// whole suite, its log printed when a test fails, and readers of what the
// devices hold and got. Suites of a stand-in derive from it and start their
// library beside devsim (vlnet_lab.h for VLNet).
//
//   class Onvif : public vltest::DevsimLabSuite {
//   protected:
//       static void SetUpTestSuite() { startDevsim({ "--generate", "4" }); VLOnvifInit(); }
//       static void TearDownTestSuite() { VLOnvifRelease(); stopDevsim(); }
//   };
#include "support/devsim.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <json/value.h>
#include <string>
#include <utility>
#include <vector>

namespace vltest
{

class DevsimLabSuite : public ::testing::Test
{
protected:
    // For the suite's SetUpTestSuite().
    static void startDevsim(std::vector<std::string> devsimArgs) { sim = new Devsim(std::move(devsimArgs)); }
    // For the suite's TearDownTestSuite(): devsim must end cleanly.
    static void stopDevsim()
    {
        if (!sim)
            return;
        EXPECT_TRUE(sim->stopCleanly()) << sim->log();
        delete sim;
        sim = nullptr;
    }
    void TearDown() override
    {
        if (HasFailure() && sim)
            std::fprintf(stderr, "devsim log:\n%s\n", sim->log().c_str());
    }

    // Device n's state as devsim holds it.
    static Json::Value state(int n)
    {
        Json::Value r(Json::objectValue);
        r["cmd"] = "get";
        r["device"] = n;
        return sim->must(r)["state"];
    }

    // What device n received of one kind ("PROBE", "LOGIN", ...), oldest
    // first; the device's list is cleared.
    static std::vector<Json::Value> takeReceived(int n, const std::string& what)
    {
        Json::Value r(Json::objectValue);
        r["cmd"] = "received";
        r["device"] = n;
        r["clear"] = true;
        const Json::Value got = sim->must(r)["received"];
        std::vector<Json::Value> out;
        for (const auto& entry : got)
            if (entry["what"] == what)
                out.push_back(entry);
        return out;
    }

    inline static Devsim* sim = nullptr;
};

} // namespace vltest
