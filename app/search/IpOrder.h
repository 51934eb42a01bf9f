#pragma once
// The order in which the searches list the devices they found: by IPv4
// address. Shared by the pages that publish search results. Pure; any
// thread (the records are only read).
class DeviceInfo;

// Whether `a` comes before `b`. Devices whose IP text is a dotted IPv4
// address (parseIPv4) compare by the 32-bit address, first octet most
// significant. An IP text that is no address (a device may send anything)
// counts as lower than every address, and two such texts compare in the
// locale's order: so the order stays a strict weak order, which std::sort
// needs, whatever the devices sent. Null devices must not be passed.
bool lessByIpAddress(const DeviceInfo* a, const DeviceInfo* b);
