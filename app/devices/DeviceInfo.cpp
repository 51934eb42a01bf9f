#include "devices/DeviceInfo.h"

#include "devices/DeviceTexts.h"
#include "devices/UploadThread.h"
#include "devices/WorkPool.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"
#include "vlonvifs.h"

#include <QCoreApplication>
#include <QTimer>
#include <memory>

namespace
{
constexpr int kParallelUploads = 30;
constexpr int kSerialUploads = 1;

constexpr int kUnknownVideoFormatText = 318;
} // namespace

const std::array<DeviceInfo::TimeZone, 34> DeviceInfo::timeZones = { {
    { -12.0f, 0 },
    { -11.0f, 1 },
    { -10.0f, 2 },
    { -9.0f, 3 },
    { -8.0f, 4 },
    { -7.0f, 5 },
    { -6.0f, 6 },
    { -5.0f, 7 },
    { -4.5f, 8 },
    { -4.0f, 9 },
    { -3.5f, 10 },
    { -3.0f, 11 },
    { -2.0f, 12 },
    { -1.0f, 13 },
    { 0.0f, 14 },
    { 1.0f, 15 },
    { 2.0f, 16 },
    { 3.0f, 17 },
    { 3.5f, 18 },
    { 4.0f, 19 },
    { 4.5f, 20 },
    { 5.0f, 21 },
    { 5.5f, 22 },
    { 5.75f, 23 },
    { 6.0f, 24 },
    { 6.5f, 25 },
    { 7.0f, 26 },
    { 8.0f, 27 },
    { 9.0f, 28 },
    { 9.5f, 29 },
    { 10.0f, 30 },
    { 11.0f, 31 },
    { 12.0f, 32 },
    { 13.0f, 33 },
} };

std::atomic<int> DeviceInfo::maxUpgradingCount { 0 };
int DeviceInfo::upgradingCount = 0;
QList<DeviceInfo*> DeviceInfo::upgradeQueue;
QMutex DeviceInfo::upgradeMutex;

DeviceInfo::DeviceInfo(QObject* parent)
    : QObject(parent)
{
    for (std::atomic<int>& s : m_statuses)
        s.store(kNoStatus);
    GKAppSetting* settings = GKAppSetting::instance();
    user = settings->defaultUser();
    password = settings->defaultPassword();
    newPassword = password;
    videoFormat = TextTable::text(kUnknownVideoFormatText);
}

DeviceInfo::~DeviceInfo()
{
    abortHttpReplies();
    closeEverything();
}

// Every SDK handle below carries this record as its user pointer: once the
// record is gone, a callback of any of them would post to freed memory. Each
// stop returns only when no callback of its handle runs any more.
void DeviceInfo::endUploadThread()
{
    if (!uploadThread)
        return;
    httpRequest* thread = uploadThread;
    uploadThread = nullptr;
    // The transfer ends at its next progress call, and from here on it
    // posts nothing to this record.
    thread->cancel();
    if (thread->wait(kUploadStopWaitMs)) {
        delete thread;
        return;
    }
    // Never terminated: a thread killed inside libcurl leaves its locks and
    // sockets behind, and deleting a running QThread ends the process. It
    // is deleted on the GUI thread once it has ended (an automatic upload's
    // thread object belongs to a pool thread, whose deleteLater would never
    // run).
    GKAppSetting::instance()->log(QStringLiteral("DeviceInfo::endUploadThread"), __LINE__,
        QStringLiteral("%1: the firmware upload did not stop within %2 ms; left to end by itself")
            .arg(mac())
            .arg(kUploadStopWaitMs));
    thread->setParent(nullptr);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return; // the process is ending; the thread goes with it
    // Whoever sees the end first deletes: the finish may come before the
    // connection is made, or be queued when the check below already saw it.
    auto deleted = std::make_shared<std::atomic<bool>>(false);
    QObject::connect(thread, &QThread::finished, app, [thread, deleted] {
        if (!deleted->exchange(true)) {
            thread->wait();
            delete thread;
        }
    });
    if (thread->wait(100) && !deleted->exchange(true))
        delete thread;
}

void DeviceInfo::closeEverything()
{
    endUploadThread();
    delete autoSearchTimer;
    autoSearchTimer = nullptr;

    if (multiSearchHandle) {
        vl_stop_multi_search(multiSearchHandle);
        multiSearchHandle = nullptr;
    }
    for (std::atomic<multicast_handle*>* handle : { &activationHandle, &autoActivationHandle }) {
        if (multicast_handle* h = handle->exchange(nullptr))
            vl_stop_multi_activate(h);
    }
    if (multicast_handle* h = updateHandle.exchange(nullptr))
        vl_stop_multi_update(h);
    if (upgradeHandle != 0)
        VLNetStopRemoteUpgrade(&upgradeHandle);
    upgradeHandle = 0;
    stopConnection();
    if (wrapperDevice) {
        vl_destroy_device(wrapperDevice); // logs out first
        wrapperDevice = nullptr;
    }
    loggedIn = false;
}

quint64 DeviceInfo::beginLogin()
{
    return ++m_login;
}

void DeviceInfo::endLogin()
{
    ++m_login;
}

DeviceInfo::LoginContext* DeviceInfo::newLoginContext()
{
    m_loginContexts.push_back(std::make_unique<LoginContext>(LoginContext { this, beginLogin() }));
    return m_loginContexts.back().get();
}

void DeviceInfo::stopConnection()
{
    if (connectionHandle == 0)
        return;
    if (isOnvif)
        VLOnvifConnectionStop(&connectionHandle);
    else
        VLNetConnectionStop(&connectionHandle);
    connectionHandle = 0;
}

// ---- Search record ----------------------------------------------------------

QString DeviceInfo::ip() const
{
    return recordText(searchRecord.sdk.ip);
}

QString DeviceInfo::mac() const
{
    return recordText(searchRecord.sdk.mac_addr);
}

QString DeviceInfo::macKey() const
{
    return ::macKey(mac());
}

QString DeviceInfo::devName() const
{
    return recordText(searchRecord.sdk.device_name);
}

QString DeviceInfo::devType() const
{
    return recordText(searchRecord.sdk.device_type);
}

QString DeviceInfo::software() const
{
    return recordText(searchRecord.sdk.device_version);
}

QString DeviceInfo::netmask() const
{
    return recordText(searchRecord.sdk.netmask);
}

QString DeviceInfo::gateway() const
{
    return recordText(searchRecord.sdk.gateway);
}

QString DeviceInfo::dns1() const
{
    return recordText(searchRecord.sdk.dns1);
}

QString DeviceInfo::dns2() const
{
    return recordText(searchRecord.sdk.dns2);
}

QString DeviceInfo::manufacturer() const
{
    return recordText(searchRecord.sdk.manufacture);
}

QString DeviceInfo::serialNumber() const
{
    return recordText(searchRecord.sdk.serialnum);
}

QString DeviceInfo::devId() const
{
    return recordText(searchRecord.devId);
}

QString DeviceInfo::devEnc() const
{
    return recordText(searchRecord.devEnc);
}

QString DeviceInfo::p2pId() const
{
    const char first = searchRecord.sdk.p2p_id[0];
    const bool alphanumeric
        = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || (first >= '0' && first <= '9');
    return alphanumeric ? recordText(searchRecord.sdk.p2p_id) : QString();
}

int DeviceInfo::mediaPort() const
{
    return int(searchRecord.sdk.media_port);
}

int DeviceInfo::webPort() const
{
    return int(searchRecord.sdk.web_port);
}

int DeviceInfo::networkMode() const
{
    return searchRecord.sdk.network_mode;
}

bool DeviceInfo::isActivated() const
{
    return searchRecord.sdk.is_first_login == 0;
}

int DeviceInfo::channelCount() const
{
    if (GKAppSetting::instance()->profile().devices.analogChannelCount
        && searchRecord.analogChannelCount != 0)
        return searchRecord.analogChannelCount;
    const int channels = int(searchRecord.sdk.channel_number);
    const int system = int(searchRecord.sdk.sys_channel_num);
    return (system > 0 && system < channels) ? system : channels;
}

QString DeviceInfo::netModeText() const
{
    switch (searchRecord.sdk.network_mode) {
    case 0:
        return TextTable::text(56);
    case 1:
        return TextTable::text(57);
    case 2:
        return TextTable::text(58);
    case 3:
        return TextTable::text(188);
    case 4:
        return TextTable::text(187);
    default:
        return TextTable::text(55);
    }
}

QString DeviceInfo::devDataText() const
{
    const VLNET_TIME& t = searchRecord.sdk.system_time;
    if (t.year == 0 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31)
        return QString();
    return QStringLiteral("%1-%2-%3").arg(t.year).arg(t.month).arg(t.day);
}

QString DeviceInfo::upgradeMatchText() const
{
    if (queriedVersion.isEmpty() || matchVersion.isEmpty())
        return QString();
    return matchVersion == queriedVersion ? TextTable::text(146) : TextTable::text(147);
}

// ---- Upload queue -----------------------------------------------------------

void DeviceInfo::enableParallelUpgrade()
{
    maxUpgradingCount.store(kParallelUploads);
}

void DeviceInfo::disableParallelUpgrade()
{
    maxUpgradingCount.store(kSerialUploads);
}

void DeviceInfo::setUploadLimitForProtocol(int protocol)
{
    if (protocol == 0)
        enableParallelUpgrade();
    else if (protocol == 1)
        disableParallelUpgrade();
}

void DeviceInfo::clearUpgradeQueue()
{
    upgradeQueue.clear();
}

bool DeviceInfo::webInterfaceProtocol()
{
    GKAppSetting* settings = GKAppSetting::instance();
    return settings->profile().devices.webInterfaceOnly || settings->protocol() == 0;
}

bool DeviceInfo::isBusy() const
{
    return loggedIn.load() || WorkPool::deviceTaskCount(this) > 0;
}
