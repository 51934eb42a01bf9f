#pragma once
// The worked example of a search request that both the wire schema and the
// search sender are held to: key blob 0xB0 01 02 .. 20, "must understand"
// on, a delay of 200 ms and manufacturer "1".
#include "hex.h"

#include <string>

inline std::string example_key_blob()
{
    std::string k(1, static_cast<char>(0xB0));
    for (int i = 1; i <= 32; ++i)
        k.push_back(static_cast<char>(i));
    return k;
}

// The whole datagram, byte for byte, as hex.
inline std::string example_search_datagram_hex()
{
    return "11aa" // datagram prefix
           "1221" // Multicast.pub_key, 33 bytes
        + hex(example_key_blob())
        + "1a0c" // search_device_request, 12 bytes
          "0801" // must_understand
          "10c801" // delay 200
          "1a0131" // manufactures "1"
          "22020100"; // values 1, 0 (packed)
}
