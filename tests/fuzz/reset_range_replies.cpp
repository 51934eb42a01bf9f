// What a device answers "/API/Maintenance/Reset/Range" and Reset/Set, as the
// program reads it: whatever the text, the offered items are bytes of 0 or
// 1, the Reset/Set items name only offered items (never "device" and
// "storage" both) with boolean values, a factory type is one of the
// device's or the choice's own name, and a status is 5 or 6.
//   two bytes: the web flags (bits, low byte first), one: the factory-type
//   choice, then the text.
#include "fuzz.h"
#include "operations/RestoreDefaults.h"
#include "shell/Utilities.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace RestoreDefaults;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const unsigned bits = in.byte() | (unsigned(in.byte()) << 8);
    const int choice = int(in.byte() % 5);
    const QJsonObject reply = jsonFromBytes(QByteArray::fromStdString(in.rest()));

    const Offered offered = offeredItems(reply);
    for (quint8 o : offered) {
        if (o > 1)
            std::abort();
    }
    WebFlags flags {};
    for (int i = 0; i < WebFlagCount; ++i)
        flags[std::size_t(i)] = (bits >> i) & 1;
    for (const QJsonObject& items : { itemsFromFlags(flags, offered), itemsKeepingNetwork(offered) }) {
        for (auto it = items.begin(); it != items.end(); ++it) {
            bool known = false;
            for (int i = 0; i < ItemCount; ++i) {
                if (it.key() == QLatin1String(itemName(Item(i))))
                    known = offered[std::size_t(i)] && i != ItemSecondaryAuth;
            }
            if (!known || !it.value().isBool())
                std::abort();
        }
        if (items.contains(QStringLiteral("device")) && items.contains(QStringLiteral("storage")))
            std::abort();
    }

    if (const auto types = factoryTypes(reply)) {
        const QByteArray chosen = chooseFactoryType(choice, *types);
        const bool own
            = chosen == "restore_to_inactive" || chosen == "restore_defaults" || chosen == "factory_defaults";
        if (!own && !types->contains(chosen))
            std::abort();
    }

    for (bool httpOk : { false, true }) {
        const int status = resetSetStatus(httpOk, reply);
        if (status != kTaken && status != kFailed)
            std::abort();
    }
    return 0;
}
