// The multicast exports seen from outside the shared library, for the cases
// that start no operation (and so send nothing): null handles and requests,
// requests that are refused, and the one parse error of a bad "data".
#include "vl_sdk_wrapper.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace
{

struct Calls {
    std::vector<std::string> texts;
    std::vector<std::thread::id> threads;
};

void VL_CALL record(const char* json, void* user)
{
    auto* calls = static_cast<Calls*>(user);
    calls->texts.push_back(json ? json : "(null)");
    calls->threads.push_back(std::this_thread::get_id());
}

} // namespace

TEST(MultiExports, NullHandlesAndRequests)
{
    EXPECT_EQ(vl_stop_multi_search(nullptr), vl_fail);
    EXPECT_EQ(vl_stop_multi_activate(nullptr), vl_fail);
    EXPECT_EQ(vl_stop_multi_update(nullptr), vl_fail);

    Calls calls;
    for (const char* request :
        { static_cast<const char*>(nullptr), "", "not json", "[]", R"({"timeout": "x"})" }) {
        EXPECT_EQ(vl_start_multi_search(request, record, &calls), nullptr);
        EXPECT_EQ(vl_start_multi_activate(request, record, &calls), nullptr);
        EXPECT_EQ(vl_start_multi_update(request, record, &calls), nullptr);
    }
    EXPECT_TRUE(calls.texts.empty());
}

TEST(MultiExports, ABadDataIsReportedOnceOnTheCallersThread)
{
    const std::string second_info_bad
        = R"({"data": "{\"device\": [{\"id\": \"a\", \"info\": \"{}\"}, {\"id\": \"b\", \"info\": \"{oops\"}]}"})";
    struct Case {
        multicast_handle* (*start)(const char*, vl_json_callback, void*);
        std::string request;
    };
    for (const Case& c : std::vector<Case> {
             { vl_start_multi_activate, R"({"data": "not json"})" },
             { vl_start_multi_activate, R"({"timeout": 100})" },
             { vl_start_multi_update, R"({"data": "{\"device\": [{\"id\": \"a\"}]}"})" },
             { vl_start_multi_update, second_info_bad },
         }) {
        Calls calls;
        EXPECT_EQ(c.start(c.request.c_str(), record, &calls), nullptr) << c.request;
        EXPECT_EQ(calls.texts, std::vector<std::string> { R"({"msg":"parse json error"})" }) << c.request;
        ASSERT_EQ(calls.threads.size(), 1u);
        EXPECT_EQ(calls.threads[0], std::this_thread::get_id());
        // A null callback: nothing to call, still null.
        EXPECT_EQ(c.start(c.request.c_str(), nullptr, nullptr), nullptr);
    }
}
