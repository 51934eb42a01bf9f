// How a search copes with many devices: starts the device simulator with N
// devices in the lab and searches them through the exported interface, once
// with the devices spreading their answers over a delay (as real devices
// do) and once with all of them answering at once. Prints, per run, how many
// devices were found and how long the search took.
//
//   tests/lab/lab run -- build/tests/bin/multicast_bench [--devices 500]
//       [--delay 2000] [--timeout 4000] [--burst-timeout 2000]
//
// Not a test: it asserts nothing and its times depend on the host.
#include "common/json.h"
#include "support/devsim.h"
#include "vl_sdk_wrapper.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <json/json.h>
#include <mutex>
#include <set>
#include <string>

using namespace std::chrono;

namespace
{

struct Search {
    std::mutex lock;
    std::condition_variable changed;
    std::set<std::string> macs;
    int results = 0;
    int errors = 0;
    bool ended = false;
    steady_clock::time_point end_time;

    static void VL_CALL on_result(const char* json, void* user)
    {
        auto* s = static_cast<Search*>(user);
        std::lock_guard<std::mutex> hold(s->lock);
        if (!json) {
            s->ended = true;
            s->end_time = steady_clock::now();
            s->changed.notify_all();
            return;
        }
        Json::Value v;
        if (vljson::parse(json, v) && v.isMember("mac")) {
            ++s->results;
            s->macs.insert(v["mac"].asString());
        } else {
            ++s->errors;
            std::fprintf(stderr, "not a device: %s\n", json);
        }
    }
};

// Datagrams the kernel dropped in this namespace because a socket's receive
// buffer was full (IPv4 and IPv6 together); -1 when the counters cannot be read.
long receive_buffer_drops()
{
    long total = 0;
    bool any = false;
    if (FILE* f = std::fopen("/proc/net/snmp", "r")) {
        char names[1024];
        char values[1024];
        while (std::fgets(names, sizeof names, f) && std::fgets(values, sizeof values, f)) {
            if (std::strncmp(names, "Udp:", 4) != 0)
                continue;
            // The header line names the columns; the next line holds the numbers.
            int column = 0;
            int wanted = -1;
            for (char* t = std::strtok(names, " \n"); t; t = std::strtok(nullptr, " \n"), ++column)
                if (std::strcmp(t, "RcvbufErrors") == 0)
                    wanted = column;
            column = 0;
            for (char* t = std::strtok(values, " \n"); t; t = std::strtok(nullptr, " \n"), ++column)
                if (column == wanted) {
                    total += std::atol(t);
                    any = true;
                }
            break;
        }
        std::fclose(f);
    }
    if (FILE* f = std::fopen("/proc/net/snmp6", "r")) {
        char name[128];
        long value = 0;
        while (std::fscanf(f, "%127s %ld", name, &value) == 2)
            if (std::strcmp(name, "Udp6RcvbufErrors") == 0) {
                total += value;
                any = true;
            }
        std::fclose(f);
    }
    return any ? total : -1;
}

void run(const char* name, int devices, int delay, int timeout)
{
    const std::string request
        = "{\"delay\": " + std::to_string(delay) + ", \"timeout\": " + std::to_string(timeout) + "}";
    Search search;
    const long drops_before = receive_buffer_drops();
    const auto start = steady_clock::now();
    multicast_handle* handle = vl_start_multi_search(request.c_str(), Search::on_result, &search);
    if (!handle) {
        std::printf("%s: the search did not start\n", name);
        return;
    }
    {
        std::unique_lock<std::mutex> hold(search.lock);
        search.changed.wait(hold, [&] { return search.ended; });
    }
    vl_stop_multi_search(handle);
    const long ms = long(duration_cast<milliseconds>(search.end_time - start).count());
    const long drops = receive_buffer_drops() - drops_before;
    std::printf(
        "%-6s delay %5d ms, timeout %5d ms: found %d of %d (%zu distinct macs, %d other texts) in %ld ms; "
        "%ld answers dropped by full receive buffers\n",
        name, delay, timeout, search.results, devices, search.macs.size(), search.errors, ms, drops);
    std::fflush(stdout);
}

int number_arg(int argc, char** argv, const char* name, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return std::atoi(argv[i + 1]);
    return fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (!vltest::Lab::active()) {
        std::fprintf(stderr, "multicast_bench: run it inside the lab: tests/lab/lab run -- %s\n", argv[0]);
        return 2;
    }
    // The simulator is found beside the library, in the build's bin folder.
    setenv("VL_BUILD_BIN", VL_BENCH_BUILD_BIN, 0);
    const int devices = number_arg(argc, argv, "--devices", 500);
    const int delay = number_arg(argc, argv, "--delay", 2000);
    const int timeout = number_arg(argc, argv, "--timeout", 4000);
    const int burst_timeout = number_arg(argc, argv, "--burst-timeout", 2000);
    const int runs = number_arg(argc, argv, "--runs", 1);

    vltest::Devsim sim({ "--generate", std::to_string(devices), "--seed", "5" });
    for (int i = 0; i < runs; ++i) {
        run("spread", devices, delay, timeout);
        run("burst", devices, 0, burst_timeout);
    }
    return sim.stopCleanly() ? 0 : 1;
}
