#pragma once
// The stand-in's table of play handles: what each player knows and holds.
// The player-handle calls (vlplay.h, "Player handles") answer from it; the
// test control (vlplay_test.h) fills and reads it. A call that creates a
// player adds its handle here, and its release removes it.
//
// One lock guards the table, the failing-call switches and the call
// recorder; no call of the caller's runs under it.
#include <cstdint>

namespace vlplay
{

// A new handle at rest; 0 when the 32-bit ids are used up.
int32_t add_handle();
// False for an unknown handle.
bool remove_handle(int32_t handle);

} // namespace vlplay
