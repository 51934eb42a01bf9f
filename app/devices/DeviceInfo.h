#pragma once
// The record of one device that a search found: its search record, the
// credentials and handles of its session, the operation a page started on it,
// one status per operation family, the parameters of the next operation, and
// per page a check mark, a status cell and the page that waits for it.
//
// The record knows no page: pages watch it through the interfaces of
// DeviceWatcher.h, which they implement, and register themselves in its
// watcher slots.
//
// Life: a search creates the record (parent none) on its callback thread,
// sets searchSource, calls setSearchResult and moves the record to the GUI
// thread; DeviceInfoMng owns it from then on and deletes it when its list is
// replaced. The destructor closes whatever the record still holds open (SDK
// connection, VLSDKWrapper device, multicast operations, the upload thread),
// since each of them carries the record as its user pointer.
//
// Threads, without a lock on any field:
// - GUI thread: construction's caller after the move, the pages, the table
//   models, the event handling, the destructor.
// - Work-pool threads: the operation entries and workers (operation,
//   loggedIn, handles, statuses, results). A page disables itself while its
//   devices work, so a device runs one operation at a time.
// - SDK and wrapper callback threads post events to the record; the web
//   login reply also writes the session fields before it posts, and the
//   search after an automatic upgrade sets `found` and reads `searchPasses`.
// The fields read by one thread while another writes them without an event
// in between (loggedIn, the statuses, the progress values, found,
// searchPasses, operation) are atomic.
#include "devices/DeviceHttp.h"
#include "devices/DeviceWatcher.h"
#include "devices/SearchDevRsp.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QModelIndex>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <atomic>
#include <deque>
#include <memory>
#include <vector>

class QNetworkReply;
class QTimer;
class httpRequest;

class DeviceInfo : public QObject
{
    Q_OBJECT

public:
    // The operation codes a page starts (codes 12 and 28 are not used).
    enum Operation {
        NoOperation = -1, // before the first operation: selects no status family
        Modify = 0,
        Upgrade = 1,
        SetSdkDevInfo = 2,
        SdkDefault = 3,
        PtzDefault = 4,
        ExportConfig = 5,
        ImportConfig = 6,
        EnableNtp = 7,
        OnvifModify = 8,
        OnvifQuery = 9,
        QueryVersion = 10,
        CompareVersion = 11,
        ChangePassword = 13,
        GetStream = 14,
        SetStream = 15,
        DateTime = 16,
        SetOsd = 17,
        GetOsd = 18,
        RestoreDefaults = 19,
        Activate = 20,
        Reboot = 21,
        RecoveryReboot = 22,
        ChangeDevice = 23,
        GetDevMode = 24,
        SetDevMode = 25,
        AutoUpgrade = 26,
        AutoSearch = 27,
        AutoRestore = 29,
        AutoActivate = 30,
        VideoFormat = 31,
        VfReboot = 32,
        VfReset = 33,
    };

    // The status fields: 0 the last status of any operation, 1 to 14 one
    // per operation family (the pages' tables each show their family).
    enum StatusFamily {
        LastStatus = 0,
        ChangeDeviceFamily = 1, // 22 RecoveryReboot, 23 ChangeDevice
        PasswordFamily = 2, // 13
        Family3 = 3, // read by the tables, written by no operation
        Family4 = 4, // read by the tables, written by no operation
        ConfigFamily = 5, // 5, 6
        ActivateFamily = 6, // 20
        OsdFamily = 7, // 17, 18
        RebootFamily = 8, // 21
        RecoveryFamily = 9, // 19, 22
        NetworkFamily = 10, // 0, 8, 9
        StreamFamily = 11, // 14, 15, 16
        UpgradeFamily = 12, // 1
        AutoUpgradeFamily = 13, // 26, 27, 29
        VideoFormatFamily = 14, // 31, 32, 33
    };
    static constexpr int kFamilyCount = 15; // the last status and 14 families
    static constexpr int kNoStatus = -1;

    // One per table kind of the device tables (CheckBoxTableModel::TableKind).
    static constexpr int kTableKindCount = 16;

    // The UTC offsets VLNet's date-and-time record knows; the date-and-time
    // worker picks the nearest. The stored index equals the position.
    struct TimeZone {
        float hours;
        int32_t index;
    };
    static const std::array<TimeZone, 34> timeZones;

    explicit DeviceInfo(QObject* parent = nullptr);
    // Closes what is still open (see the top); GUI thread.
    ~DeviceInfo() override;

    // ---- Search record and what the tables read of it (any thread) --------

    // The device as the search described it; replaced whole by the upgrade
    // supervisor and the video-format page when the device comes back.
    SearchDevRsp searchRecord {};

    QString ip() const;
    QString mac() const;
    // The MAC as every matcher compares it (macKey, DeviceTexts.h).
    QString macKey() const;
    QString devName() const;
    QString devType() const;
    QString software() const;
    QString netmask() const;
    QString gateway() const;
    QString dns1() const;
    QString dns2() const;
    QString manufacturer() const;
    QString serialNumber() const;
    // "dev id" and "dev enc" of the multicast search; empty when the search
    // that found the device did not give them (the VLNet search does not).
    QString devId() const;
    QString devEnc() const;
    // The P2P id; empty unless its first character is a letter or a digit.
    QString p2pId() const;
    int mediaPort() const;
    int webPort() const;
    int networkMode() const;
    // The device has its first password (the not-activated flag is 0).
    bool isActivated() const;
    // The channel count shown: the system channel count when it is above 0
    // and below the channel count, else the channel count; where the edition
    // says so, a non-zero analogue channel count comes first.
    int channelCount() const;
    // The language text of the network mode.
    QString netModeText() const;
    // The record's date as "2023-7-5"; empty unless the year is not 0, the
    // month 1 to 12 and the day 1 to 31.
    QString devDataText() const;

    // ---- Operation and statuses ---------------------------------------------

    // The operation started last (Operation); set by the entries.
    std::atomic<int> operation { NoOperation };

    // The family that holds the status of `operation`; LastStatus for the
    // operations whose status only the last status keeps. RecoveryReboot
    // (22) writes RecoveryFamily and ChangeDeviceFamily both.
    static int familyOf(int operation);

    // Stores `status` as the last status and in the family (or families) of
    // the current operation, then tells the watchers: for Upgrade the upgrade
    // supervisor (upload finished, or failed with its reason), for the
    // video-format operations the video-format record (notifyVideoFormatStatus).
    // Any thread.
    void setStatus(int status);
    // Stores like setStatus, without telling anyone (the state machine's
    // direct stores, the activation pre-check, the status reset).
    void storeStatus(int status);
    // The status of a family (LastStatus and any number outside 1..14: the
    // last status); -1 for none.
    int status(int family) const;
    int lastStatus() const { return status(LastStatus); }
    // Sets one family's status alone, as a page does when it marks its
    // devices pending (4).
    void setFamilyStatus(int family, int status);

    // The language text of the status of `family` (see status()); empty for
    // no status and for codes without a text. GUI thread (table models).
    QString statusText(int family) const;
    // The language-table number of a status's text; -1 for codes without one.
    static int statusTextId(int status);

    // Tells the upgrade supervisor of the present upgrade-family status, as
    // setStatus does for Upgrade; pages call it after resetting statuses.
    void notifyUpgradeStatus();
    // Tells the video-format record of the present video-format status:
    // statuses 3, 86 and 88 fail it with code 0.
    void notifyVideoFormatStatus();

    // The reason an upgrade status gives the supervisor's onDeviceFailed;
    // -1 for statuses that end nothing or end in success (8).
    static int upgradeFailReason(int status);

    // ---- Watchers (set by their page before it submits work; never cleared)

    SearchDeviceWatcher* searchPage = nullptr;
    DeviceWatcher* upgradePage = nullptr;
    DeviceWatcher* importExportPage = nullptr;
    DeviceWatcher* exportExcelPage = nullptr;
    DeviceWatcher* changePasswordPage = nullptr;
    DeviceWatcher* deviceInfoPage = nullptr;
    DeviceWatcher* extranetSearchPage = nullptr;
    DeviceWatcher* streamConfigPage = nullptr;
    DeviceWatcher* osdConfigPage = nullptr;
    DeviceWatcher* recoveryPage = nullptr;
    DeviceWatcher* initialDevicePage = nullptr;
    DeviceWatcher* rebootPage = nullptr;
    DeviceWatcher* changeDevicePage = nullptr;
    DeviceWatcher* developerPage = nullptr;
    DeviceWatcher* autoUpgradePage = nullptr;
    VideoFormatWatcher* videoFormatPage = nullptr;
    // The batch upgrade's supervisor (UpgradeManager) while the device's
    // upgrade runs.
    UpgradeSupervisor* upgradeManager = nullptr;
    // The device's record of the current video-format run
    // (VideoFormatDeviceInfo); replaced by the page at every run.
    DeviceResultRecord* videoFormatRecord = nullptr;

    // Per table kind: the row's check state (a Qt::CheckState) and its
    // status cell, stored by the table model.
    std::array<int, kTableKindCount> checkState {};
    std::array<QModelIndex, kTableKindCount> statusCellIndex;
    // The https box of the row (0 or 2), search tables only.
    int httpsCheck = 0;

    // ---- Session ----------------------------------------------------------

    // A session is open (or the activation runs); polled by the pages.
    std::atomic<bool> loggedIn { false };
    // The device is in use: a session is open or a work-pool task of it is
    // queued or running (WorkPool::deviceTaskCount). A busy record must not
    // be deleted; a new search waits until no listed device is busy. Any
    // thread.
    bool isBusy() const;
    // Where the search found the device: 0 the VLNet or ONVIF search, 1 the
    // multicast search, 2 a multicast answer that replaced a VLNet one. Set
    // before setSearchResult.
    std::atomic<int> searchSource { 0 };
    // Found by the ONVIF search (in the ONVIF view).
    bool isOnvif = false;
    QString user; // login user; starts as the settings' default user
    QString password; // starts as the settings' default password
    // VLNet or VLOnvifs connection; 0 when none.
    int connectionHandle = 0;
    // VLNet firmware-upgrade session; 0 when none.
    int upgradeHandle = 0;
    // VLSDKWrapper device of the web session; null when none.
    device* wrapperDevice = nullptr;
    // From the web login reply.
    QByteArray cookie;
    QByteArray csrfToken;
    std::atomic<bool> isHttps { false };
    // The web port of the session, for the multicast and ONVIF network
    // settings too.
    int httpPort = 0;
    // vl_get_device_type after a web login.
    int deviceType = 0;

    // ---- Login and logout (DeviceLogin.cpp) ----------------------------------

    // How a login reaches the device.
    enum class Transport { Onvif, Web, VLNet };
    // The transport of the next login, first match: ONVIF for a device the
    // ONVIF search found; on the search page of an edition that reaches
    // multicast finds through their web interface, the web interface for
    // those and VLNet for the others; the web interface where the edition or
    // the protocol setting (0) says so; else VLNet.
    Transport loginTransport() const;
    // Starts one login over that transport (a work-pool thread, or the GUI
    // thread for retries). The outcome arrives as a QConnectEvent posted to
    // the record: 101 logged in; 103 web credentials or address incomplete
    // (nothing started); 2 the transport refused the start; 2, 3, 4 closed;
    // 104, 105 and the other codes of the transports.
    void loginDevice();
    // Closes whatever session the record holds and emits logout(): in VLNet
    // mode its connection (the wrapper device stays); in web mode any
    // connection, then the wrapper device. `line`: the caller's source line,
    // for the log. Any thread but a callback of the session itself.
    void logoutDevice(int line = 0);
    // The web login's JSON (the password in plain text: it goes to
    // VLSDKWrapper only, never into a log).
    QByteArray webLoginJson() const;
    // The same for any session (GKDevice): `newCgiCheck` adds
    // "enable_new_cgi_check".
    static QByteArray webLoginJson(
        const QString& ip, const QString& user, const QString& password, int port, bool newCgiCheck);
    // Reads a web login status text of VLSDKWrapper (its thread) and posts
    // the outcome to `target`, tagged with `login`; on success stores the
    // session's cookie, token, https flag, web port and device type first.
    void onLoginReply(const char* json, DeviceInfo* target, quint64 login = 0);

    // Logins are numbered: each login takes the next number and tags the
    // codes of its transport with it; a logout ends the number in force.
    // The state machine drops a ConnectEvent of an earlier login, such as
    // the connection drop of a device that reboots after its upgrade's
    // logout, which would otherwise fail the upgrade or start the upload
    // again. Numbers are never reused (a web login reuses its VLSDKWrapper
    // device, so the handles cannot tell its logins apart); 0 is no login.
    // Any thread.
    quint64 beginLogin();
    void endLogin();
    quint64 currentLogin() const { return m_login.load(); }
    // True for 0 (a code that belongs to no login in particular) and for
    // the login in force.
    bool isCurrentLogin(quint64 login) const { return login == 0 || login == m_login.load(); }
    // What a login's callbacks get as their user pointer: the record and
    // the login's number. Owned by the record and kept while it lives: a
    // stopped session's last callback may still be returning.
    struct LoginContext {
        DeviceInfo* device;
        quint64 login;
    };
    // A new login number (beginLogin) and its context. The thread that
    // starts the record's logins (one at a time).
    LoginContext* newLoginContext();

    // The C callbacks of the logins; `user` is a LoginContext.
    // VLNet and VLOnvifs connection statuses: the login and connection
    // codes are posted as they are, others ignored.
    static void VLNET_CALL connectionCallback(int32_t code, void* user);
    // VLNet device messages: only 113 (login from a forbidden address) is posted.
    static void VLNET_CALL messageCallback(uint16_t code, const char* data, int32_t length, void* user);
    // VLSDKWrapper's login statuses: onLoginReply while the record still
    // holds its wrapper device.
    static void VL_CALL loginStatusCallback(const char* json, void* user);

    // ---- Firmware upgrade ---------------------------------------------------

    QString upgradeFilePath;
    // The running upload over the web interface; null when none. The record
    // cancels it when it is destroyed, and waits for it with a bound.
    httpRequest* uploadThread = nullptr;
    std::atomic<int> upgradePercent { -1 };
    std::atomic<int> autoUpgradePercent { -1 };
    // Seconds shown by the waiting statuses (18, 89, 91).
    std::atomic<int> countdown { 0 };
    // Version read by operation 10, and the one typed on the upgrade page.
    QString queriedVersion;
    QString matchVersion;
    // What the tables show of the two: empty while either is empty, else the
    // text of a match or of a difference (compared whole, case-sensitive).
    QString upgradeMatchText() const;
    // The search for the device after an automatic upgrade: its multicast
    // handle, its single-shot timer (owned), the rounds so far and whether
    // the device was found again.
    multicast_handle* multiSearchHandle = nullptr;
    QTimer* autoSearchTimer = nullptr;
    std::atomic<int> searchPasses { 0 };
    std::atomic<bool> found { false };
    int loginRetries = 0;

    // The process-wide upload queue (the upload slots): how many devices may
    // upload at once (0 until start-up or an upgrade page sets it; read by
    // upload workers on pool threads, hence atomic), how many upload now,
    // and the devices waiting for a slot, oldest first; the last two under
    // upgradeMutex.
    static std::atomic<int> maxUpgradingCount;
    static int upgradingCount;
    static QList<DeviceInfo*> upgradeQueue;
    static QMutex upgradeMutex;

    // Up to 30 devices upload at once: the device web interface takes
    // parallel uploads well.
    static void enableParallelUpgrade();
    // One device at a time: the SDK transport uploads one device at a time.
    static void disableParallelUpgrade();
    // The limit that fits device-access protocol `protocol`: 0 (the web
    // interface) enables, 1 (the SDK) disables parallel uploads; any other
    // value leaves the limit as it is. Start-up applies it after the settings
    // are loaded; the upgrade pages apply it again on a protocol change.
    static void setUploadLimitForProtocol(int protocol);
    // Empties the upload queue (its devices are only dropped), without its
    // mutex and leaving upgradingCount; the supervisor calls it at the start
    // of a batch, while it holds no tasks.
    static void clearUpgradeQueue();

    // ---- Multicast operations -------------------------------------------------

    // Their replies come on VLSDKWrapper's thread, which reads the handle
    // (a stopped operation's late replies are dropped) while the worker that
    // started it stores it: atomic.
    std::atomic<multicast_handle*> activationHandle { nullptr }; // operation 20
    std::atomic<multicast_handle*> updateHandle { nullptr }; // operation 0
    std::atomic<multicast_handle*> autoActivationHandle { nullptr }; // operation 30

    // ---- Activation, reboot, version query, date and time (app/operations) --

    // The camera-connection password that the initialisation page hands the
    // activation of a recorder (sent as "conn ipc pwd"), as 8-bit text.
    QByteArray cameraConnectionPassword;
    // The password the automatic upgrade's activation sent over the web
    // interface: the device's login password once the activation succeeded.
    // Written by the worker before the request goes, read by the state
    // machine after the reply's event.
    QString autoActivationPassword;

    // Operation 20: the first password by multicast (pool thread, no login).
    static void activateDevice(DeviceInfo* device);
    // Operation 30: the same for the automatic upgrade.
    static void activateDeviceForAutoUpgrade(DeviceInfo* device);
    // The activation's replies (VLSDKWrapper's thread, or the caller's
    // inside vl_start_multi_activate): this device's reply as a
    // MultiActivateEvent, another device's as 11008; dropped while no
    // activation handle is stored or when the text is no JSON object.
    static void VL_CALL multiActivateCallback(const char* json, void* user);
    void onMultiActivateReply(const char* json);
    // Operations 21 and 22: the reboot (pool thread, after the login).
    static void rebootDevice(DeviceInfo* device);
    static void rebootDeviceForRecovery(DeviceInfo* device);
    // The result of VLNet's reboot test: nothing to do (the device goes
    // away; the worker has already judged the call's result).
    static void VLNET_CALL remoteTestCallback(int handle, int command, int result, void* user);
    // Operation 10: the device's version text over VLNet into
    // queriedVersion; run inline by the state machine, which logs out.
    void queryUpgradeMatchText();
    // Operation 16: the device's clock and time zone from `dateTime` (pool
    // thread, after the login).
    static void setDateTime(DeviceInfo* device);
    // ---- Network settings (app/operations/NetworkSettings.cpp) ----------------

    // Operation 0, without a login (a work-pool thread): the new address,
    // ports and DNS servers by multicast (the reply arrives later as a
    // MultiUpdateEvent) or, where devices are reached through VLNet, with
    // VLNetSetNewDevInfoEx (status 5 or 6 at once). Refused (62) by
    // multicast without the search's "dev id" and "dev enc". The search page
    // and the device-settings page take the device off their work lists
    // when the operation has ended.
    void modifyDevice();
    // Operation 8 over the ONVIF login (the GUI thread, run by the state
    // machine): address, mask, gateway, HTTP port and address mode; 5, or
    // 6 and logged out at once.
    void modifyOnvifDevice();
    // Operation 7 over the VLNet login (the GUI thread): NTP switched on in
    // the device's time settings (message 524); 5, or 6 when the device
    // refuses the read or the write or the user lacks the right.
    void enableNtp();
    // The multicast update's replies (VLSDKWrapper's thread): the reply of
    // this device as its MultiUpdateEvent code, a reply naming another
    // device as 11008; nothing once the update was stopped, nor for a text
    // that is no JSON object.
    static void VL_CALL multiUpdateCallback(const char* json, void* user);
    void onMultiUpdateReply(const char* json);

    // ---- Parameters of the next operation (setters below) --------------------

    // Network settings (operations 0 and 8).
    QString newIp;
    quint16 newMediaPort = 0;
    quint16 newWebPort = 0;
    QString newGateway;
    QString newMask;
    int addressMode = 2; // 0 DHCP, any other value static
    QString newDns1;
    QString newDns2;
    // The device's rules for its settings ("dev_limit" of the multicast
    // search, as JSON text) and what they say of the DNS servers.
    QByteArray deviceLimits;
    bool dns1Editable = false;
    bool dns2Editable = false;
    // The device's IPv6 address as text.
    QString ipv6Text;

    // Stream settings (operations 14, 15).
    QString codecText;
    QString resolutionText; // width "*" height
    QString frameRateText;
    QString bitrateModeText;
    int bitrateMode = 0; // 0 predefined, 1 user-defined
    int bitrate = 0;
    int customBitrate = 0;
    int qualityLevel = 0;
    int streamIndex = 0; // 0 main, 1 sub, 2 mobile
    int codecIndex = 0; // VLNet's form of the codec
    QString resolutionCopy; // the resolution for VLNet's stream set
    int frameRate = 0;

    // Date and time (operations 15 to 17) and OSD (17, 18).
    QDateTime dateTime;
    QString osdNameText;
    QString osdNamePosText; // "x,y"
    QString osdTimePosText;
    int osdNameX = 0;
    int osdNameY = 0;
    int osdTimeX = 0;
    int osdTimeY = 0;

    // Configuration export and import (operations 5, 6).
    QString configFilePath;
    bool configEncoded = false; // the file holds the text as the device sends it

    // Product information (operation 2): the SDK's 1032-byte
    // device-information record (empty until set) and the two product texts.
    QByteArray sdkDevInfo;
    QString functionCodeText;
    QString customTypeText;

    // Restore defaults (operation 19).
    std::array<quint8, 11> resetItems {};
    std::array<quint8, 9> factoryResetItems {};
    int resetKind = 0; // 0 items, 1 factory items, 2 by factory type
    std::array<quint8, 11> offeredResetItems {};
    int factoryTypeChoice = 0;
    QList<QByteArray> factoryTypes;

    // Developer switches read by operation 24.
    QString telnetSwitch;
    QString exportDiskSwitch;

    // New name and type of operation 23, as 8-bit texts.
    QByteArray newDeviceName;
    QByteArray newDeviceType;

    // Video format (operations 31 to 33): the format as read, or the one to
    // set ("NTSC" or "PAL"); starts as the "unknown" text.
    QString videoFormat;
    QJsonObject secondaryAuth;
    QJsonObject encryptedPassword;

    // Passwords of the password change and the activation.
    QString newPassword; // starts as the password
    QString secondPassword;
    QByteArray activationPassword;
    bool syncPassword = false;

    // ---- Stream and OSD settings (app/operations/StreamOsdSettings.cpp) ----

    // The records of a VLNet stream or OSD query (one per channel), filled
    // by the callbacks below during the query; emptied before each query
    // and at the end of every run.
    std::vector<VLNET_STREAM_PARAM> streamRecords;
    std::vector<VLNET_OSD_PARAM> osdRecords;
    // Record callbacks of VLNetQueryParam: append a copy of one record;
    // `user` is the record. The query's thread, during the query.
    static int VLNET_CALL streamRecordCallback(const void* record, void* user);
    static int VLNET_CALL osdRecordCallback(const void* record, void* user);
    // The workers of operations 14, 15 (stream settings of streamIndex) and
    // 18, 17 (the OSD of the first channel): over VLNet or the web interface
    // as the settings choose; one final status (24/25 read, 5/6 write), the
    // page told, logged out. A work-pool thread; null does nothing.
    static void getStreamConfig(DeviceInfo* device);
    static void setStreamConfig(DeviceInfo* device);
    static void getOSDConfig(DeviceInfo* device);
    static void setOSDConfig(DeviceInfo* device);
    // ---- Configuration export and import, password change (app/operations)

    // Operation 5, run inline by the state machine on the GUI thread: asks
    // the user for a file (one dialog per device) and saves the device's
    // configuration there; status 20 saved, 21 not (ConfigTransfer.h).
    void exportConfig();
    // The handler of VLNetExportBackupNew: `user` is the record; saves the
    // block's data. Runs on the GUI thread during exportConfig.
    static void VLNET_CALL saveExportedConfig(const char* block, int32_t length, void* user);
    // Set by saveExportedConfig: the export's block arrived.
    bool configBlockDelivered = false;
    // Operation 6 (pool): loads configFilePath into the device; 22 or 23.
    static void importConfig(DeviceInfo* device);
    // Operation 13 (pool): the new password for the main account; 5, or 6,
    // 30, 52 to 60 (PasswordChange.h).
    static void changeUserPassword(DeviceInfo* device);
    // The VLNet user query's callbacks (the query's thread, during the
    // query): the header is kept, each record appended to userRecords.
    static void VLNET_CALL userHeaderCallback(const void* header, void* user);
    static int VLNET_CALL userRecordCallback(const void* record, void* user);
    std::vector<VLNET_USER_RECORD> userRecords;
    VLNET_USER_HEADER userQueryHeader {};

    // ---- Setters (GUI thread; no result, no failure) ----------------------------

    // Fills a new record from a search answer; the caller sets searchSource
    // first. `limits`: the device's "dev_limit" JSON text (may be empty).
    // `onvifView`: the device was found in the ONVIF view. A null record
    // changes nothing.
    void setSearchResult(const SearchDevRsp* record, QByteArray limits, bool onvifView);
    // Network settings of operation 0 from the search page; an empty text or
    // a port below 1 falls back to the search record's value.
    void setModifyParams(const QString& ip, quint16 mediaPort, quint16 webPort, const QString& gateway,
        const QString& mask, int addressMode, const QString& dns1, const QString& dns2);
    // Network settings of operation 0 from the device-settings page, with the
    // same fall-backs; the web port is the HTTP port too, and the DNS servers
    // stay the search record's.
    void setNetworkParams(const QString& ip, quint16 mediaPort, quint16 webPort, const QString& gateway,
        const QString& mask, int addressMode);
    // Credentials, password change and stream settings.
    void setWorkParams(const QString& user, const QString& password, const QString& newPassword,
        const QString& secondPassword, const QString& frameRateText, const QString& codecText,
        const QString& resolutionText, int streamIndex, int qualityLevel, int bitrate, int customBitrate,
        int bitrateMode);
    void setNameTypeParams(
        const QString& user, const QString& password, const QString& name, const QString& type);
    void setActivationParams(const QString& password, int syncFlag);
    // Reset items in argument order; reset kind 0.
    void setResetItems(quint8 item0, quint8 item1, quint8 item2, quint8 item3, quint8 item4, quint8 item5,
        quint8 item6, quint8 item7, quint8 item8, quint8 item9, quint8 item10);
    // Factory reset items in argument order; reset kind 1.
    void setFactoryResetItems(quint8 ai, quint8 alarm, quint8 channel, quint8 device, quint8 network,
        quint8 record, quint8 system, quint8 event, quint8 exceptNetworkParam);
    // The factory-type choice; reset kind 2.
    void setInactiveResetParams(int choice);
    // A copy of the 1032-byte record; null clears it.
    void setSdkDevInfo(const void* record);
    void setSdkDevInfoTexts(const QString& functionCode, const QString& customType);
    void setOsdParams(int nameX, int nameY, int timeX, int timeY, const QString& name);
    void setDateTimeParam(const QDateTime& dateTime);
    void setVideoFormat(const QString& format);

    static constexpr int kSdkDevInfoSize = 1032;
    // The longest the destructor waits for a running upload to end.
    static constexpr int kUploadStopWaitMs = 5000;

    // ---- Web-interface requests and secrets (DeviceHttp.cpp) ------------------

    // One JSON POST to the device's web interface (DeviceHttp.h), to
    // "http[s]://<ip>:<web port>/<path>" with the session's cookie and csrf
    // token; a Digest challenge is answered with this record's user and
    // password, for this record's requests only. The reply belongs to the
    // record: deleting the record aborts it, and no continuation runs then.
    // GUI thread.
    void sendHttpRequest(const HttpRequestParam& param);
    // Asks for one transfer key of `type` ("base_salt" or "base_x_public")
    // at "API/Login/TransKey/Get". GUI thread.
    void requestTransKey(const QString& type, int failureEventType, int failureCode,
        HttpSuccessContinuation onSuccess, HttpFailureContinuation onFailure);
    // Turns the first entry of a transfer-key reply into secondaryAuth
    // (base_salt, from the password) or encryptedPassword (base_x_public,
    // from newPassword). False when the entry is missing or unusable: the
    // object is emptied and, while a reply of sendHttpRequest is being
    // answered, that request's failure continuation runs (the operation
    // fails with its own code); the caller only stops. GUI thread.
    bool onTransKeyReply(const QJsonObject& reply);
    // The "cipher" of "base_secondary_authentication" from the password
    // (WebSecrets.h); false, with `out` empty, for a salt or an iteration
    // count the device should not have sent. Any thread.
    bool deriveSecondaryAuth(const QString& saltText, QString& out, int iterations);
    // newPassword sealed to the device key (the key text with its first
    // character skipped): 0, or -1 with both texts empty when the key is
    // not 32 bytes or the password too long. The texts lack the "0" that
    // "base_enc_password" puts before them. Any thread.
    int encryptPassword(const QString& deviceKey, QString& publicKey, QString& cipher);
    // newPassword against the device's "/API/AccountRules/Get" (a
    // WebSecrets::AccountRulesCode); 79 at once where the edition does not
    // check them. Blocks: a work-pool thread.
    int checkAccountRules();

    // ---- Operation entries (app/operations/OperationEntries.cpp) ----------
    //
    // A page starts an operation by submitting one of these with the device
    // to the work pool (WorkPool::submit(entry, device, WorkPool::NormalQueue)).
    // Each runs on a pool thread, stores the operation and logs in; the
    // login's result reaches the state machine (customEvent), which runs the
    // operation. A null argument does nothing.
    static void doModifyWork(void* device); // 0: no login, the worker at once
    static void doSetInfoWork(void* device); // 2
    static void doSetParamWork(void* device); // 3
    static void doPtzControlWork(void* device); // 4
    static void doExportWork(void* device); // 5
    static void doImportWork(void* device); // 6
    static void doEnableNtpWork(void* device); // 7
    static void doOnvifParamWork(void* device); // 8
    static void doOnvifQueryWork(void* device); // 9
    static void doQueryParamWork(void* device); // 10
    static void doCompareWork(void* device); // 11
    static void doChangePasswordWork(void* device); // 13
    static void doGetStreamWork(void* device); // 14
    static void doSetStreamWork(void* device); // 15
    static void doDateTimeWork(void* device); // 16
    static void doSetOsdWork(void* device); // 17
    static void doGetOsdWork(void* device); // 18
    // 19: the first for reset kinds 0 and 1, the second for kind 2; each
    // does nothing (not even store the operation) for the other kinds.
    static void doRecoveryWork(void* device);
    static void doRecoveryToInactiveWork(void* device);
    // 20 and 30: no login. A device that is not activated yet is marked
    // logged in, gets status 34 and posts itself a successful login, so that
    // the state machine queues the activation; an activated one gets status
    // 30 and nothing else happens.
    static void doActivateWork(void* device);
    static void doAutoActivateWork(void* device);
    static void doRebootWork(void* device); // 21
    static void doRecoveryRebootWork(void* device); // 22
    static void doChangeDeviceWork(void* device); // 23
    static void doGetDeveloperModeWork(void* device); // 24
    static void doSetDeveloperModeWork(void* device); // 25
    // 26: the login and re-search counters start again.
    static void doAutoUpgradeWork(void* device);
    // 31: no login; posts itself the video-format flow's first step (1031).
    static void doVideoFormatWork(void* device);

    // ---- Restore defaults (app/operations/RestoreDefaultsWorkers.cpp) ------
    //
    // Workers (work-pool threads; a null device does nothing): each sets one
    // final status (5 taken, 6 failed or refused, 29 no usable transfer key,
    // 30 no reset item offered, 83 no factory-reset types), tells its page
    // and logs out. The transport is the protocol setting's alone (1 VLNet,
    // 0 the web interface), whatever the edition.
    // 3: every category but pairing over VLNet (message 521), the network
    // address included; the upgrade page is told.
    static void restoreDefaultsBySdk(DeviceInfo* device);
    // 19, reset kinds 0 and 1: the reset flags as the recovery page set them
    // (VLNet: resetItems; web: factoryResetItems, the items the device
    // offers only); the recovery page is told.
    static void restoreDefaults(DeviceInfo* device);
    // 19, reset kind 2: the factory-reset type of factoryTypeChoice among
    // the device's types (web only; VLNet refuses with 6).
    static void resetDeviceByFactoryType(DeviceInfo* device);
    // 29, the end of an automatic upgrade: every category back to defaults
    // but the network settings, so that the device stays where it was
    // found; the automatic-upgrade page is told to drop the device.
    static void restoreDefaultsKeepNetwork(DeviceInfo* device);
    // "/API/Maintenance/Reset/Range" on a client of their own, only where
    // the web interface is in use (the edition, or the protocol setting 0);
    // false at once otherwise. A reply that is no JSON leaves the record as
    // it was. Blocking: a work-pool thread.
    // Rewrites offeredResetItems; true when the device offers any item.
    bool queryResetItems();
    // Appends the device's factory-reset types to factoryTypes; true when
    // the reply carries the list (an empty one included).
    bool queryResetFactoryTypes();

    // ---- Events and the state machine (app/operations/DeviceStateMachine.cpp)

    // Tells the waiting pages of the device: every batch page's watcher
    // that is set (the search page with `remove` as its whole-row flag),
    // then the video-format page's row. With `remove` a page takes the
    // device off its work list; without, it only refreshes its row. The
    // developer page and the upgrade supervisor are not told here. Any thread.
    void notifyWatchers(bool remove);

    // Ends the device's web session: with the web-interface protocol setting
    // its VLSDKWrapper device is logged out and destroyed and the web
    // interface is sent "/API/Web/Logout" (from a work-pool task, bounded,
    // unread); otherwise a running VLNet firmware upgrade is stopped. The
    // automatic upgrade's percent becomes 0. GUI thread.
    void webLogout();

    // The wait before the first pass of the search for the device after an
    // automatic upgrade: a new single-shot timer (any previous one deleted)
    // of 10 s (as Clock gives it) that calls checkAutoUpgradeSearchTimeout.
    // GUI thread.
    void startAutoUpgradeSearchTimer();
    static constexpr int kAutoSearchDelayMs = 10000;
    // A search pass that did not find the device is repeated until this
    // many passes were counted: the multicast search, VLNet's.
    static constexpr int kMulticastSearchRounds = 60;
    static constexpr int kSdkSearchRounds = 30;

    // VLNet's firmware-upgrade callbacks (an SDK thread): post the code and
    // value (or progress record) as an UpgradeEvent (the upgrade page) or an
    // AutoUpgradeEvent (the automatic upgrade). `user` is the record; null
    // is ignored.
    static void VLNET_CALL upgradeCallback(uint32_t code, void* second, void* user);
    static void VLNET_CALL autoUpgradeCallback(uint32_t code, void* second, void* user);
    // The multicast activation's replies of the automatic upgrade
    // (VLSDKWrapper's thread): the reply of this device's activation as an
    // AutoActivateEvent, a reply of another device as 11008.
    static void VL_CALL autoActivateCallback(const char* json, void* user);
    void onAutoActivateReply(const char* json);
    // The search passes after an automatic upgrade (VLSDKWrapper's or
    // VLNet's thread): an answer with the device's MAC sets `found`; the
    // pass's end posts 11018 (found), 11020 (not found, rounds left) or
    // 11019 (no rounds left); a multicast answer that is no JSON posts 11016.
    static void VL_CALL autoUpgradeSearchCallback(const char* json, void* user);
    static int VLNET_CALL autoUpgradeSdkSearchCallback(const VLNET_SEARCH_DEV_RSP* record, void* user);

    // ---- Device name and type, developer switches, video format ------------
    // (app/operations/DeviceNameWorkers.cpp, VideoFormatFlow.cpp)

    // Pool workers of operations 23, 24 and 25 (a null device does nothing).
    // 23 writes newDeviceName and newDeviceType (41 ok, 39 refused, 40 no
    // reply); 24 reads the telnet and disk-export switches over the web
    // interface (46, 44, 45; nothing is sent on the VLNet setting and 47
    // stays); 25 sends nothing. Each tells its page and logs out.
    static void setDeviceNameAndType(DeviceInfo* device);
    static void getDeveloperMode(DeviceInfo* device);
    static void setDeveloperMode(DeviceInfo* device);

    // The video-format flow: web requests on the GUI thread
    // (sendHttpRequest), each step ending in a QVideoFormatEvent that the
    // state machine handles. All GUI thread.
    // The present format into videoFormat (text 318 when the device names
    // none); a failure posts 1040.
    void requestVideoFormat();
    void onGetVideoFormatReply(const QJsonObject& reply);
    // Code 1031: a device that is not activated first gets its first
    // password (a "base_x_public" key, then "API/FirstLogin/Password/Set"
    // as the default user with kFirstLoginPassword); then code 1032 (log
    // in). A failure posts 1034.
    void sendFirstLoginTransKeyRequest();
    void sendFirstLoginPasswordRequest(const QJsonObject& keyReply);
    void postVideoFormatLoginEvent(const QJsonObject& reply);
    // Logged in during operation 31: the format; accepted, code 1036,
    // operation 32 and setVideoFormatWaitingForSettingReboot(). A failure
    // posts 1035.
    void sendSetVideoFormatRequest(const QJsonObject& reply);
    void onSetVideoFormatReply(const QJsonObject& reply);
    // Logged in again during operation 32: a "base_salt" key, operation 33,
    // the factory reset, and setVideoFormatRecoveryFinished() once it is
    // accepted. A failure posts 1034.
    void requestFactoryResetTransKey();
    void sendFactoryResetRequest(const QJsonObject& keyReply);
    void onFactoryResetSucceeded(const QJsonObject& reply);
    // The failure continuation of every request of the flow: logged, then
    // the request's failure event type and code posted to the record.
    void onVideoFormatOccurredError(const HttpRequestParam& param);
    // The password a device gets at its first login in this flow.
    static constexpr const char* kFirstLoginPassword = "5284tbnr";

public slots:
    // The end of an upload thread (queued from it): posts 391 (done) or 390
    // (failed) as an UpgradeEvent or AutoUpgradeEvent, then ends the thread
    // without terminating it: cancelled, waited for up to kUploadStopWaitMs,
    // deleted (or, still running, deleted once it ends), the field cleared.
    void checkUpgradeResult(bool ok);
    void checkAutoUpgradeResult(bool ok);
    // The re-search timer fired: posts 11014.
    void checkAutoUpgradeSearchTimeout();

protected:
    // The state machine: ConnectEvent, UpgradeEvent, AutoUpgradeEvent,
    // AutoUpgradeSearchEvent, MultiActivateEvent, MultiUpdateEvent,
    // AutoActivateEvent and VideoFormatEvent; other types are ignored. GUI
    // thread.
    void customEvent(QEvent* event) override;

signals:
    // Emitted by the logout.
    void logout();
    void uploadFinished();
    // The video-format flow: the device took the format request; its
    // factory reset succeeded.
    void setVideoFormatWaitingForSettingReboot();
    void setVideoFormatRecoveryFinished();

private:
    // True when devices are reached through their web interface: the edition
    // says so, or the protocol setting is the web interface (0).
    static bool webInterfaceProtocol();
    // The address, media port, gateway, mask and address mode of both
    // network setters, with their fall-backs.
    void storeAddressParams(
        const QString& ip, quint16 mediaPort, const QString& gateway, const QString& mask, int addressMode);
    void closeEverything();
    // Stops the VLNet or VLOnvifs connection, if any (the stop returns once
    // no callback of it runs any more).
    void stopConnection();

    // The replies of sendHttpRequest still running, and the request whose
    // success continuation runs now (onTransKeyReply's failures go to it).
    void abortHttpReplies();
    void onHttpReplyFinished(QNetworkReply* reply, const HttpRequestParam& param, const QString& url);
    QList<QPointer<QNetworkReply>> m_httpReplies;
    const HttpRequestParam* m_answering = nullptr;

    std::atomic<int> m_statuses[kFamilyCount];
    std::atomic<quint64> m_login { 0 };
    std::deque<std::unique_ptr<LoginContext>> m_loginContexts;

    friend class DeviceStateMachine;
    // Ends the upload thread as the result slots do.
    void endUploadThread();
};
