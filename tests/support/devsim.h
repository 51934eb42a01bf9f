#pragma once
// The device simulator for lab tests: started in the lab's "lan" namespace
// with a control channel, driven with JSON commands, stopped (and its state
// saved when it was started with --state) by the destructor.
//
//   vltest::Devsim sim({"--generate", "20", "--inactive-percent", "0"});
//   auto dev = sim.must(R"({"cmd":"get","device":0})")["state"];
//   sim.must(R"({"cmd":"reboot","device":0,"seconds":1})");
//
// Commands and answers: tools/devsim/README.md.
#include "support/lab.h"
#include "support/process.h"

#include <json/value.h>
#include <string>
#include <vector>

namespace vltest
{

class Devsim
{
public:
    // Starts `buildBin()/devsim` with `args` and its own --control socket;
    // returns once the control channel answers. Throws std::runtime_error
    // (with devsim's log) when it does not come up within 20 s.
    explicit Devsim(std::vector<std::string> args);
    ~Devsim();
    Devsim(const Devsim&) = delete;
    Devsim& operator=(const Devsim&) = delete;

    // Sends one command and returns devsim's answer ({"ok": false, ...} for
    // a refused command). Throws when the channel itself fails.
    Json::Value command(const Json::Value& request);
    Json::Value command(const std::string& jsonText);
    Json::Value command(const char* jsonText) { return command(std::string(jsonText)); }
    // As command(), but throws with devsim's error unless "ok" is true.
    Json::Value must(const std::string& jsonText);
    Json::Value must(const Json::Value& request);
    Json::Value must(const char* jsonText) { return must(std::string(jsonText)); }

    // Stops devsim (SIGTERM: it saves its --state file) and returns the wait
    // status. The object can be started anew with restart().
    int stop();
    void restart();
    // Stops devsim and tells whether it ended well: exit status 0 and no
    // sanitizer report in its log.
    bool stopCleanly();

    std::string log() const { return m_process.log(); }
    pid_t pid() const { return m_process.pid(); }
    const std::string& controlPath() const { return m_control; }
    // A folder for files of this run (state files, logs), removed at the end.
    const TempDir& dir() const { return m_dir; }

private:
    void start();

    TempDir m_dir;
    std::vector<std::string> m_args;
    std::string m_control;
    int m_runs = 0;
    Process m_process;
};

} // namespace vltest
