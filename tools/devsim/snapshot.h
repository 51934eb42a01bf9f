#pragma once
// The pictures a simulated device takes: small real JPEG files, made with
// libjpeg, whose colours tell the channels apart.
#include <cstdint>
#include <vector>

namespace devsim
{

constexpr int kSnapshotWidth = 320;
constexpr int kSnapshotHeight = 180;

// A picture of `channel` (any number; colours repeat after 8). Empty only
// when libjpeg fails.
std::vector<std::uint8_t> snapshotJpeg(int channel);

// Decodes a JPEG whole and gives its size; false for anything libjpeg
// cannot read without a warning (a cut file, another format). For tests.
bool jpegSize(const std::vector<std::uint8_t>& jpeg, int* width, int* height);

} // namespace devsim
