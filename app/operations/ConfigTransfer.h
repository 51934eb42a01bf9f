#pragma once
// Configuration export (operation 5) and import (operation 6) of a device,
// over VLNet (VLNetExportBackupNew, VLNetRemoteParamImportNew) or the web
// interface ("/API/Maintenance/ParamManagement/Get" and "/Set" after a
// transfer key). The workers are DeviceInfo::exportConfig,
// DeviceInfo::saveExportedConfig and DeviceInfo::importConfig; the steps
// that decide something are here as functions, so that tests run them
// without a device.
//
// The file: over VLNet the data bytes of the device's block, unchanged;
// over the web interface the "param" text cleaned (spaces, then every byte
// below 0x20 or above 0x7F, removed) when the device record's encoding flag
// is set, else the bytes that text decodes to. The import sends what the
// export wrote: over VLNet the file's bytes, over the web interface the
// file's text (flag set) or the Base64 of its bytes (flag clear).
//
// Departures from what the device would let pass, on purpose: an export
// answer with no usable "param" (missing, not a text, empty, not Base64) or
// with a "result" text other than "success" saves nothing (21); an import
// answered with such a "result" failed (23); a file too big for VLNet's
// record is not sent (23); the file is written through a temporary file, so
// a failed write leaves an existing file as it was.
//
// Threads: the export runs on the GUI thread (its file dialog is modal);
// the import on a work-pool thread. setSaveFileChooser on the GUI thread at
// start-up. What the export reads of a device's answer is in
// ConfigTransferReplies.h.
#include "operations/ConfigTransferReplies.h"
#include "operations/WorkerFrame.h"
#include "vlnet.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>
#include <optional>

class DeviceInfo;

using SdkParamImportRecord = VLNET_PARAM_IMPORT;

namespace ConfigTransfer
{

constexpr int kExportDone = 20;
constexpr int kExportFailed = 21;
constexpr int kImportDone = 22;
constexpr int kImportFailed = 23;

// The save dialog of the export, which core code cannot show itself: the
// program's GUI puts Dialogs::getSaveFileName here. Given the caption, the
// proposed file name and the filter; an empty answer is a cancel.
using SaveFileChooser
    = std::function<QString(const QString& caption, const QString& proposedName, const QString& filter)>;
void setSaveFileChooser(SaveFileChooser chooser);
// Asks for the file to save `device`'s configuration in (the device name
// and ".txt" proposed); empty when cancelled or no chooser is set. GUI
// thread.
QString chooseSaveFile(const DeviceInfo* device);

// Writes `bytes` to `path` through a temporary file (a folder that takes no
// new file still gets the file written in place); false with the error
// text.
bool writeExportFile(const QString& path, const QByteArray& bytes, QString* error);

// The name of the VLNet import record: the file name without folder and
// without its last four characters (a name of four characters or fewer
// than four: empty, the whole name), Latin-1, at most 32 bytes.
QByteArray importRecordName(const QString& path);
// The record for `path` and its bytes; false (record untouched) when they
// do not fit its data area.
bool fillImportRecord(SdkParamImportRecord& record, const QString& path, const QByteArray& bytes);
// The "param" text of the web import.
QString importParamText(const QByteArray& fileBytes, bool encoded);

// The web interface's requests of one run: path and body in, reply out.
using Post = std::function<WorkerFrame::Reply(const QByteArray& path, const QByteArray& body)>;

// The key request of the edition and the authentication member it gives:
// {"base_secondary_authentication": ...} from `password`, or (with
// `encPassword`) {"base_enc_password": {"cipher": "0"..., "peer_key":
// "0"..., "seq"}} of `device`'s new password. Nothing when the key reply
// gives no usable key.
QStringList keyTypes(bool encPassword);
std::optional<QJsonObject> authMember(DeviceInfo* device, const QJsonObject& keyReply, bool encPassword);

// The web export from the key request to the file; the status.
int exportByWeb(DeviceInfo* device, const Post& post, bool encPassword);
// The web import; the status.
int importByWeb(DeviceInfo* device, const Post& post, bool encPassword);
// The VLNet import through `import` (VLNetRemoteParamImportNew); the status.
int importByVlnet(DeviceInfo* device, const std::function<int(const SdkParamImportRecord&)>& import);

} // namespace ConfigTransfer
