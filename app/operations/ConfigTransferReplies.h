#pragma once
// What the program reads of a device's configuration export: the web
// interface's ParamManagement/Get reply and the block VLNet's export hands
// to DeviceInfo::saveExportedConfig. Pure functions, any thread; the
// workers are in ConfigTransfer.h.
#include "vlnet.h"

#include <QByteArray>
#include <QJsonObject>
#include <cstdint>
#include <optional>

namespace ConfigTransfer
{

// A reply that says it failed: a "result" text other than "success". A
// "result" of another type counts as none.
bool saysFailed(const QJsonObject& reply);

// Every space removed, then every byte below 0x20 or above 0x7F.
QByteArray cleanExportText(const QByteArray& text);
// The file's bytes from a ParamManagement/Get answer: nothing when the
// answer carries a "result" text other than "success", or its data.param
// is missing, no text, empty after cleaning or not Base64. With `encoded`
// the cleaned Base64 text, else the bytes it decodes to.
std::optional<QByteArray> exportFileBytes(const QJsonObject& reply, bool encoded);

// The file's bytes from VLNet's export: the `length` data bytes that begin
// VLNET_PARAM_IMPORT_HEAD_SIZE bytes into `block`, which holds the head and
// those bytes. Nothing for a null block or a length outside 0 to
// VLNET_PARAM_IMPORT_DATA_MAX (nothing of the block is read then).
std::optional<QByteArray> exportBlockData(const char* block, std::int32_t length);

} // namespace ConfigTransfer
