#include "multicast/datagram.h"

#include "multicast/multicast.pb.h"

#include <cstdint>

namespace vlsdk
{

std::string encode_datagram(const multicast::Multicast& message)
{
    std::string datagram;
    datagram.reserve(kDatagramPrefixSize + message.ByteSizeLong());
    datagram.push_back(static_cast<char>(kDatagramPrefix0));
    datagram.push_back(static_cast<char>(kDatagramPrefix1));
    message.AppendToString(&datagram);
    return datagram;
}

bool has_datagram_prefix(std::string_view datagram)
{
    return datagram.size() >= kDatagramPrefixSize
        && static_cast<unsigned char>(datagram[0]) == kDatagramPrefix0
        && static_cast<unsigned char>(datagram[1]) == kDatagramPrefix1;
}

datagram_status decode_datagram(std::string_view datagram, multicast::Multicast& message)
{
    message.Clear();
    if (!has_datagram_prefix(datagram))
        return datagram_status::no_prefix;
    datagram.remove_prefix(kDatagramPrefixSize);
    if (datagram.size() > static_cast<std::size_t>(INT32_MAX)
        || !message.ParseFromArray(datagram.data(), static_cast<int>(datagram.size())))
        return datagram_status::bad_message;
    return datagram_status::ok;
}

} // namespace vlsdk
