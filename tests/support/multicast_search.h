#pragma once
// One multicast search through VLSDKWrapper, for lab tests that check what
// the next search shows: the answers, parsed (unreadable ones left out).
// Header only: include it from a test that links VLSDKWrapper.
#include "common/json.h"
#include "support/poll.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <json/value.h>
#include <mutex>
#include <string>
#include <vector>

namespace vltest
{

inline std::vector<Json::Value> multicastSearch(const char* request = R"({"timeout":1000})")
{
    struct Answers {
        std::mutex mutex;
        std::vector<std::string> texts;
        std::atomic<bool> done { false };
    } answers;
    const auto callback = [](const char* json, void* user) {
        auto* a = static_cast<Answers*>(user);
        if (!json) {
            a->done = true;
            return;
        }
        std::lock_guard<std::mutex> lock(a->mutex);
        a->texts.emplace_back(json);
    };
    std::vector<Json::Value> found;
    multicast_handle* h = vl_start_multi_search(request, callback, &answers);
    if (!h)
        return found;
    pollUntil([&] { return answers.done.load(); }, 10000);
    vl_stop_multi_search(h);
    std::lock_guard<std::mutex> lock(answers.mutex);
    for (const std::string& text : answers.texts) {
        Json::Value v;
        if (vljson::parse_object(text, v))
            found.push_back(std::move(v));
    }
    return found;
}

} // namespace vltest
