// The statuses of a device record: where each operation keeps its status,
// who hears of an upgrade or video-format status, and the text each status
// shows.
#include "devices/DeviceInfo.h"
#include "shell/TextTable.h"

namespace
{

// Statuses of the upgrade family and what each tells the supervisor.
constexpr int kUploadFinished = 8;

struct FailReason {
    int status;
    int reason; // the reason codes of the upgrade records
};
// Every outcome of an upload that ends the device's turn must free its
// upload slot, or the batch waits for it for good: 14 (upgrade file does not
// match the device), 17, the login refusals 26 and 28 and 6 (an upload this
// program cannot run) end it too.
constexpr FailReason kFailReasons[] = {
    { 1, 7 }, // login failed
    { 2, 14 }, // invalid login parameters
    { 3, 15 }, // wrong user or password
    { 6, 9 }, // failed
    { 7, 8 }, // upload broke off
    { 9, 9 }, // upgrade failed
    { 10, 10 }, // upgrade file unreadable
    { 11, 11 }, // invalid upgrade file
    { 13, 12 }, // upgrade file does not match the device
    { 14, 9 },
    { 17, 3 },
    { 26, 7 },
    { 28, 7 },
};

// Statuses whose text has a number after it or inside it.
constexpr int kUploading = 12;

bool showsCountdown(int status)
{
    return status == 18 || status == 89 || status == 91;
}

// The text has a place marker ("%1") for a number.
bool hasPlaceMarker(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == QLatin1Char('%') && text[i + 1].isDigit())
            return true;
    }
    return false;
}

bool failsVideoFormatRecord(int status)
{
    return status == 3 || status == 86 || status == 88;
}

} // namespace

int DeviceInfo::familyOf(int operation)
{
    switch (operation) {
    case RecoveryReboot: // and ChangeDeviceFamily
        return RecoveryFamily;
    case ChangeDevice:
        return ChangeDeviceFamily;
    case ChangePassword:
        return PasswordFamily;
    case ExportConfig:
    case ImportConfig:
        return ConfigFamily;
    case Activate:
        return ActivateFamily;
    case SetOsd:
    case GetOsd:
        return OsdFamily;
    case Reboot:
        return RebootFamily;
    case RestoreDefaults:
        return RecoveryFamily;
    case Modify:
    case OnvifModify:
    case OnvifQuery:
        return NetworkFamily;
    case GetStream:
    case SetStream:
    case DateTime:
        return StreamFamily;
    case Upgrade:
        return UpgradeFamily;
    case AutoUpgrade:
    case AutoSearch:
    case AutoRestore:
        return AutoUpgradeFamily;
    case VideoFormat:
    case VfReboot:
    case VfReset:
        return VideoFormatFamily;
    default:
        return LastStatus;
    }
}

void DeviceInfo::storeStatus(int status)
{
    m_statuses[LastStatus].store(status);
    const int op = operation.load();
    const int family = familyOf(op);
    if (family != LastStatus)
        m_statuses[family].store(status);
    if (op == RecoveryReboot)
        m_statuses[ChangeDeviceFamily].store(status);
}

void DeviceInfo::setStatus(int status)
{
    storeStatus(status);
    switch (operation.load()) {
    case Upgrade:
        notifyUpgradeStatus();
        break;
    case VideoFormat:
    case VfReboot:
    case VfReset:
        notifyVideoFormatStatus();
        break;
    default:
        break;
    }
}

int DeviceInfo::status(int family) const
{
    if (family < 1 || family >= kFamilyCount)
        family = LastStatus;
    return m_statuses[family].load();
}

void DeviceInfo::setFamilyStatus(int family, int status)
{
    if (family >= 0 && family < kFamilyCount)
        m_statuses[family].store(status);
}

int DeviceInfo::upgradeFailReason(int status)
{
    for (const FailReason& r : kFailReasons) {
        if (r.status == status)
            return r.reason;
    }
    return -1;
}

void DeviceInfo::notifyUpgradeStatus()
{
    if (!upgradeManager)
        return;
    const int current = status(UpgradeFamily);
    if (current == kUploadFinished) {
        upgradeManager->onDeviceUploadFinished(this);
        return;
    }
    const int reason = upgradeFailReason(current);
    if (reason >= 0)
        upgradeManager->onDeviceFailed(this, reason);
}

void DeviceInfo::notifyVideoFormatStatus()
{
    if (videoFormatRecord && failsVideoFormatRecord(status(VideoFormatFamily)))
        videoFormatRecord->fail(0);
}

int DeviceInfo::statusTextId(int status)
{
    struct Range {
        int first;
        int last;
        int firstText; // texts in order from here
    };
    // Codes without a row (79 to 81, and everything outside 0 to 92) have no
    // text; the texts are numbers of the language table.
    static constexpr Range kRanges[] = {
        { 0, 8, 15 },
        { 9, 9, 24 },
        { 10, 11, 25 },
        { 12, 12, 27 },
        { 13, 15, 28 },
        { 16, 16, 314 },
        { 17, 17, 24 },
        { 18, 18, 315 },
        { 19, 19, 316 },
        { 20, 23, 121 },
        { 24, 24, 140 },
        { 25, 25, 141 },
        { 26, 27, 162 },
        { 28, 28, 186 },
        { 29, 34, 201 },
        { 35, 35, 76 },
        { 36, 36, 225 },
        { 37, 37, 75 },
        { 38, 38, 226 },
        { 39, 42, 230 },
        { 43, 43, 237 },
        { 44, 44, 248 },
        { 45, 45, 247 },
        { 46, 46, 140 },
        { 47, 47, 245 },
        { 48, 48, 78 },
        { 49, 49, 249 },
        { 50, 50, 77 },
        { 51, 51, 246 },
        { 52, 60, 250 },
        { 61, 73, 263 },
        { 74, 74, 280 },
        { 75, 75, 293 },
        { 76, 76, 293 },
        { 77, 77, 294 },
        { 78, 78, 293 },
        { 82, 82, 292 },
        { 83, 83, 304 },
        { 84, 84, 307 },
        { 85, 85, 325 },
        { 86, 86, 321 },
        { 87, 87, 322 },
        { 88, 88, 323 },
        { 89, 89, 324 },
        { 90, 90, 321 },
        { 91, 91, 324 },
        { 92, 92, 325 },
    };
    for (const Range& r : kRanges) {
        if (status >= r.first && status <= r.last)
            return r.firstText + (status - r.first);
    }
    return -1;
}

QString DeviceInfo::statusText(int family) const
{
    const int code = status(family);
    const int id = statusTextId(code);
    if (id < 0)
        return QString();
    const QString text = TextTable::text(id);
    if (code == kUploading)
        return text + QString::number(upgradePercent.load());
    if (showsCountdown(code) && hasPlaceMarker(text))
        return text.arg(countdown.load());
    return text;
}
