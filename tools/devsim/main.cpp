// Device simulator: plays many cameras and recorders on a lab network.
#include "simulator.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    devsim::Options options;
    std::string error;
    bool help = false;
    if (!devsim::parseOptions(argc, argv, &options, &error, &help)) {
        if (help) {
            std::fputs(devsim::usage(), stdout);
            return 0;
        }
        std::fprintf(stderr, "devsim: %s\n%s", error.c_str(), devsim::usage());
        return 2;
    }
    devsim::EventLog log;
    try {
        devsim::Simulator sim(options, log);
        sim.load();
        sim.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "devsim: %s\n", e.what());
        return 1;
    }
    return 0;
}
