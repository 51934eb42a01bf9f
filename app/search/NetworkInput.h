#pragma once
// The checks and the address arithmetic of the search page's network
// settings. Pure functions; any thread.
#include <QString>
#include <QStringList>

// A host address the devices accept: four decimal parts of at most three
// digits, the first 1 to 223 and not 127, the last 1 to 254; no spaces, no
// empty part.
bool isValidHostAddress(const QString& text);

// A subnet mask of /8 to /30: four decimal parts, the bits contiguous from
// the top, from 255.0.0.0 to 255.255.255.252.
bool isValidNetMask(const QString& text);

// The addresses of `count` devices changed together: the first gets
// `first`, each further one the previous plus one, carried from the last
// part into the parts before it (a.b.c.255 is followed by a.b.(c+1).0). When
// an address is no dotted IPv4 address or the count passes 255.255.255.255,
// that device and every further one get the empty text.
QStringList consecutiveAddresses(const QString& first, int count);
