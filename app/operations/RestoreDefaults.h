#pragma once
// What the restore-defaults workers send, as pure functions: the 24-byte
// VLNet reset record (message 521) from the recovery page's flags, the
// items of the web interface's "/API/Maintenance/Reset/Set" limited to what
// the device offers, the reading of "/API/Maintenance/Reset/Range" (offered
// items, factory-reset types), the choice of a factory-reset type, and the
// status a Reset/Set reply gives. The workers themselves are DeviceInfo
// members (DeviceInfo.h, "Restore defaults").
//
// Threads: everything here is pure; any thread. (The file holds no worker,
// so that the fuzz target of Reset/Range answers can compile it alone.)
#include "vlnet.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

using SdkResetRecord = VLNET_RESET_PARAM;

namespace RestoreDefaults
{

// Statuses of the workers.
constexpr int kTaken = 5;
constexpr int kFailed = 6;
constexpr int kNoKey = 29;
constexpr int kNoItems = 30;
constexpr int kSending = 43; // the key is in, the reset goes out
constexpr int kNoFactoryTypes = 83;

// The recovery page's SDK reset flags, in setter order.
enum SdkFlag {
    SdkDisplay,
    SdkRecord,
    SdkAdvanced,
    SdkIntelligent,
    SdkNetwork,
    SdkDevice,
    SdkSystem,
    SdkExceptNetwork,
    SdkPairing,
    SdkAlarm,
    SdkAll,
    SdkFlagCount
};
// Its web reset flags, in setter order.
enum WebFlag {
    WebAi,
    WebAlarm,
    WebChannel,
    WebDevice,
    WebNetwork,
    WebRecord,
    WebSystem,
    WebEvent,
    WebExceptNetwork,
    WebFlagCount
};
// The reset items a device may offer, in the order of
// DeviceInfo::offeredResetItems.
enum Item {
    ItemChannel,
    ItemRecord,
    ItemEvent,
    ItemAi,
    ItemNetwork,
    ItemExceptNetwork,
    ItemDevice,
    ItemSystem,
    ItemAlarm,
    ItemSecondaryAuth,
    ItemStorage,
    ItemCount
};
using SdkFlags = std::array<quint8, SdkFlagCount>;
using WebFlags = std::array<quint8, WebFlagCount>;
using Offered = std::array<quint8, ItemCount>;
// The item's name in Reset/Range and Reset/Set.
const char* itemName(Item item);

// Operation 3: every category but pairing, the network with its address.
SdkResetRecord recordForAll();
// Operation 29: every category, the network without its setting parameters.
SdkResetRecord recordKeepingNetwork();
// Operation 19: from the page's flags. The network mode is 0 without the
// network flag, else 1 with the all flag, else 2 with the except-network
// flag, else 0.
SdkResetRecord recordFromFlags(const SdkFlags& flags);

// Reset/Range: which items "data" offers (a member that is there and not
// null).
Offered offeredItems(const QJsonObject& reply);
bool anyOffered(const Offered& offered);
// Its factory-reset types (data.factory_type.items), the texts in order;
// entries that are no text are skipped. Nothing when the list is missing
// or no array.
std::optional<QList<QByteArray>> factoryTypes(const QJsonObject& reply);

// Operation 19's items of Reset/Set: each only when offered; the device flag
// as "device", else as "storage" when only that is offered;
// "except_network_param" true whenever the network is not reset.
QJsonObject itemsFromFlags(const WebFlags& flags, const Offered& offered);
// Operation 29's: every offered item true and the network settings kept;
// a device that cannot keep them ("except_network_param" not offered) does
// not get its network reset at all.
QJsonObject itemsKeepingNetwork(const Offered& offered);

// The factory-reset type for the page's choice (0 to inactive, 1 restore
// defaults, 2 factory defaults, other: to inactive): the last of `types`
// that matches the choice, else the choice's own name.
QByteArray chooseFactoryType(int choice, const QList<QByteArray>& types);

// The status of a Reset/Set from postJson's result (HTTP 200) and the reply
// (empty when it was no JSON object): 6 without HTTP 200 or with a "result"
// other than the text "success"; 5 otherwise, also for an empty or
// unreadable body (a device may answer as it goes down).
int resetSetStatus(bool httpOk, const QJsonObject& reply);

} // namespace RestoreDefaults
