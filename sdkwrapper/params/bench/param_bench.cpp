// vl_query_param through a parameter object that answers 4 KiB at once: the
// cost of the export itself (request parsing, the registry lookup, the
// object's call lock, the copy-out), in calls per second, from one thread
// and from several threads asking the same message (which the call lock
// makes take turns).
//
//   build/tests/bin/param_bench [seconds per run, default 2] [threads, default 4]
#include "core/device.h"
#include "params/ParamRegistry.h"
#include "vl_sdk_wrapper.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace
{

class FourKiB : public CParamBase
{
public:
    std::string QueryParam(device*, bool) override { return m_answer; }

private:
    const std::string m_answer = "{\"page\":\"" + std::string(4096 - 12, 'x') + "\"}";
};

double run(device* dev, int threads, double seconds)
{
    std::atomic<bool> stop { false };
    std::atomic<long> calls { 0 };
    std::vector<std::thread> workers;
    const char* request = R"({"message": 429, "type": 1000})";
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            std::vector<char> out(8192);
            long n = 0;
            while (!stop.load(std::memory_order_relaxed)) {
                if (vl_query_param(dev, request, out.data(), int(out.size())) != vl_success)
                    std::abort();
                ++n;
            }
            calls += n;
        });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (auto& w : workers)
        w.join();
    return double(calls.load()) / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    const int threads = argc > 2 ? std::atoi(argv[2]) : 4;
    param_registry().SetTable({ { 429, "FourKiB", &MakeParam<FourKiB> } });
    device* dev = vl_create_device();
    std::printf("vl_query_param, 4 KiB answers\n");
    std::printf("  1 thread:   %.0f calls/s\n", run(dev, 1, seconds));
    std::printf(
        "  %d threads: %.0f calls/s (one message, calls take turns)\n", threads, run(dev, threads, seconds));
    vl_destroy_device(dev);
    vl_sdk_wrapper_uninit();
    return 0;
}
