#pragma once
// Devices as devsim generates them, for the targets that play simulated
// devices.
#include "generate.h"
#include "store.h"

namespace vlfuzz
{

inline void addGeneratedDevices(devsim::DeviceStore& store, const devsim::GenerateOptions& options)
{
    for (int i = 0; i < options.count; ++i)
        store.add(devsim::generateDevice(i, options));
}

} // namespace vlfuzz
