#pragma once
// Waiting in tests for something that happens on another thread or in
// another process.
#include <chrono>
#include <functional>
#include <thread>

namespace vltest
{

// Polls `pred` every 10 ms for up to `ms`; true once it holds.
inline bool pollUntil(const std::function<bool()>& pred, int ms = 10000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace vltest
