#pragma once
// A device's answer to the search probe (PROTOCOL.md, "Probe") read into
// the search record that the search callbacks deliver. Pure: bytes in,
// record out, so that anything a network may send can be tried on it.
#include "vlnet.h"

#include <cstddef>
#include <cstdint>

namespace vlnet
{

struct ProbeAnswer {
    std::uint32_t sequence = 0; // the probe it answers
    VLNET_SEARCH_DEV_RSP record {};
};

// Reads one datagram. False when it is no probe answer: too short, another
// magic or command, not a reply, a payload longer than the datagram, a
// result other than 0, or a description that is no JSON object. Within the
// description a member that is missing, of the wrong type or out of its
// field's range leaves the field zero; a text longer than its slot is cut to
// the slot. Never throws.
bool readProbeAnswer(const void* datagram, std::size_t size, ProbeAnswer* out);

} // namespace vlnet
