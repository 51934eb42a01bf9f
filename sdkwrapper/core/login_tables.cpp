#include "core/login_tables.h"

namespace vlsdk
{

namespace
{

struct word_number {
    const char* word;
    int number;
};

// P2P types of the network SDK. Besides the five generic kinds, one service
// word and the edition codes of the customer editions whose devices use a
// P2P service of their own (several editions share a service).
const word_number kP2PTypes[] = {
    { "ip", 0 },
    { "id", 1 },
    { "tutk", 2 },
    { "ddns", 23 },
    { "vl", 24 },
    { "vv", 5 },
    { "dorvex_kp", 4 },
    { "dorvex_kp_pro", 4 },
    { "dorvex_lx", 7 },
    { "dorvex_vv", 9 },
    { "dorvex_nc", 10 },
    { "dorvex_nc_pro", 10 },
    { "dorvex_sg", 11 },
    { "dorvex_sg_pro", 11 },
    { "dorvex_hm", 14 },
    { "dorvex_ez", 21 },
};

// P2P kinds of the P2P status check and the P2P set-up: the login's words,
// without the two editions whose login kinds (9 and 14) the P2P layer does
// not serve.
const word_number kP2PKinds[] = {
    { "ip", 0 },
    { "id", 1 },
    { "tutk", 2 },
    { "ddns", 23 },
    { "vl", 24 },
    { "vv", 5 },
    { "dorvex_kp", 4 },
    { "dorvex_kp_pro", 4 },
    { "dorvex_lx", 7 },
    { "dorvex_nc", 10 },
    { "dorvex_nc_pro", 10 },
    { "dorvex_sg", 11 },
    { "dorvex_sg_pro", 11 },
    { "dorvex_ez", 21 },
};

// OEM types of the network SDK, by customer edition code; editions with two
// product lines have two codes.
const word_number kOemTypes[] = {
    { "default", 0 },
    { "dorvex_kp", 2 },
    { "dorvex_kp_pro", 2 },
    { "dorvex_lx", 3 },
    { "dorvex_lx_pro", 3 },
    { "dorvex_vv", 4 },
    { "dorvex_vv_pro", 4 },
    { "dorvex_nc", 6 },
    { "dorvex_nc_pro", 6 },
    { "dorvex_sg", 7 },
    { "dorvex_sg_pro", 7 },
    { "dorvex_hm", 8 },
    { "dorvex_hm_pro", 8 },
    { "dorvex_ez", 11 },
    { "dorvex_tq", 12 },
    { "dorvex_rb", 13 },
    { "dorvex_mv", 14 },
    { "dorvex_ax", 15 },
    { "dorvex_pl", 16 },
    { "dorvex_qs", 17 },
};

template <size_t N> int lookup(const word_number (&table)[N], const std::string& word)
{
    for (const auto& entry : table) {
        if (word == entry.word)
            return entry.number;
    }
    return 0;
}

} // namespace

int32_t p2p_type_number(const std::string& word)
{
    return lookup(kP2PTypes, word);
}

int32_t p2p_kind_number(const std::string& word)
{
    return lookup(kP2PKinds, word);
}

uint8_t oem_type_number(const std::string& word)
{
    return static_cast<uint8_t>(lookup(kOemTypes, word));
}

} // namespace vlsdk
