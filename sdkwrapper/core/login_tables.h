#pragma once
// The words of a login request that select numbers of the network SDK: the
// P2P type ("p2p type") and the OEM type ("oem type"). Both are compared
// whole and case-sensitively; a word not listed gives 0.
#include <cstdint>
#include <string>

namespace vlsdk
{

// "ip" 0, "id" 1, "tutk" 2, "ddns" 23, "vl" 24, the P2P service word and
// the customer edition codes (login_tables.cpp); anything else 0.
int32_t p2p_type_number(const std::string& word);

// The P2P kind of vl_check_p2p_status and vl_init_p2p_resource_manual:
// "ip" 0, "id" 1, "tutk" 2, "ddns" 23, "vl" 24, the service word 5 and
// eight customer codes (4, 4, 7, 10, 10, 11, 11, 21); anything else 0.
int32_t p2p_kind_number(const std::string& word);

// "default" 0, the customer edition codes (login_tables.cpp); anything else 0.
uint8_t oem_type_number(const std::string& word);

} // namespace vlsdk
