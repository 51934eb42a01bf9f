#pragma once
// The events through which logins, SDK callbacks, multicast replies,
// firmware uploads and the video-format flow report to a device record.
// Their threads must not touch the record's pages, so they post one of these
// to the DeviceInfo with QCoreApplication::postEvent (which takes ownership);
// DeviceInfo::customEvent handles it on the GUI thread.
//
// The device event types are QEvent::Type constants, as the settings'
// broadcast events are (shell/GKAppSetting.h), so that
// `case ConnectEvent:` works without casts. The numbers are fixed: pages and
// the record post them to each other.
#include <QEvent>
#include <QString>
#include <QtGlobal>
#include <cstdint>

// A login or connection result; QConnectEvent, code = the transport's code
// (101 logged in, 103 invalid parameters, 104 wrong user or password, ...),
// tagged with the login it belongs to.
inline constexpr QEvent::Type ConnectEvent = static_cast<QEvent::Type>(1000);
// Firmware upgrade of the upgrade page; QUpgradeEvent.
inline constexpr QEvent::Type UpgradeEvent = static_cast<QEvent::Type>(1001);
// Multicast activation (operation 20) and network update (operation 0)
// replies; QMultiEvent, code = the multicast result code.
inline constexpr QEvent::Type MultiActivateEvent = static_cast<QEvent::Type>(1022);
inline constexpr QEvent::Type MultiUpdateEvent = static_cast<QEvent::Type>(1023);
// The automatic upgrade's upload and its search for the upgraded device;
// QUpgradeEvent.
inline constexpr QEvent::Type AutoUpgradeEvent = static_cast<QEvent::Type>(1024);
inline constexpr QEvent::Type AutoUpgradeSearchEvent = static_cast<QEvent::Type>(1025);
// The automatic upgrade's activation reply; QMultiEvent.
inline constexpr QEvent::Type AutoActivateEvent = static_cast<QEvent::Type>(1027);
// A step of the video-format flow; QVideoFormatEvent, codes 1031 to 1040.
inline constexpr QEvent::Type VideoFormatEvent = static_cast<QEvent::Type>(1030);

// The results of the multicast activation and update, as the reply parsers
// turn a reply's "result" text into a code.
enum MulticastResultCode {
    MultiSuccess = 11000,
    MultiNotSupport = 11001,
    MultiCheckError = 11002,
    MultiKeyError = 11003,
    MultiRuleNotMet = 11004,
    MultiWeakPassword = 11005,
    MultiDeviceActivated = 11006,
    MultiSaveFailed = 11007,
    MultiNoResponse = 11008,
    // 11009 to 11012: results of the network update
    MultiNeedAuth = 11009,
    MultiUpdateFailed = 11010,
    MultiOtherResult = 11011,
    MultiNeedAuthAgain = 11012,
    MultiIpcRuleNotMet = 11013,
};

// The code of an activation reply's "result" text (compared exactly): the
// texts of 11000 to 11008 and 11013; any other text (the update's "need
// auth" and "update failed" included) gives 11011.
int activationResultCode(const QString& result);
// The code of a network update reply's "result" text (compared exactly):
// the texts of 11000 to 11010; any other text (the activation's "ipc rule
// not met" included) gives 11011. A "need auth" that follows an earlier one
// (the device's `lastStatus` is kNeedAuthStatus) gives 11012: the device
// turned the credentials down twice.
int updateResultCode(const QString& result, int lastStatus);
// The status that a "need auth" update reply leaves.
inline constexpr int kNeedAuthStatus = 70;
// The code of a network update reply (VLSDKWrapper's JSON text) for the
// device with `devId`: its "result" by updateResultCode when the reply's
// "dev id" is that device's, else 11008 (no response from this device);
// -1 for a null text or one that is no JSON object.
int updateReplyCode(const char* json, const QString& devId, int lastStatus);

class QConnectEvent : public QEvent
{
public:
    // `login`: the number of the login the code belongs to
    // (DeviceInfo::beginLogin); 0 for a code that belongs to no login in
    // particular, which is always taken.
    explicit QConnectEvent(int code, QEvent::Type type = ConnectEvent, quint64 login = 0)
        : QEvent(type)
        , code(code)
        , login(login)
    {
    }

    int code;
    quint64 login;
};

class QMultiEvent : public QEvent
{
public:
    // `type`: MultiActivateEvent, MultiUpdateEvent or AutoActivateEvent.
    QMultiEvent(QEvent::Type type, int code)
        : QEvent(type)
        , code(code)
    {
    }

    int code;
};

class QVideoFormatEvent : public QEvent
{
public:
    explicit QVideoFormatEvent(int code)
        : QEvent(VideoFormatEvent)
        , code(code)
    {
    }
    // A failed web request of the flow posts its own failure type and code.
    QVideoFormatEvent(QEvent::Type type, int code)
        : QEvent(type)
        , code(code)
    {
    }

    int code;
};

// An upgrade step: code, value (the upload percent of code 394, else 0) and
// extra (-1 unless a VLNet progress record says otherwise).
class QUpgradeEvent : public QEvent
{
public:
    // The code VLNet's firmware upgrade reports with a pointer to its
    // progress record, whose bytes name the real code.
    static constexpr int kSdkProgressRecord = 402;

    // `type`: UpgradeEvent, AutoUpgradeEvent or AutoUpgradeSearchEvent.
    QUpgradeEvent(QEvent::Type type, int code)
        : QEvent(type)
        , code(code)
    {
    }

    // As the SDK's upgrade callbacks hand it over: for code 402 `second` is
    // the address of VLNet's progress record (code = its signed byte at
    // offset 8, value = its signed byte at offset 9, extra = its 32-bit word
    // at offset 4; a null address leaves code 402, which counts as a failed
    // upgrade); for any other code `second` is the value.
    QUpgradeEvent(QEvent::Type type, int code, intptr_t second);

    int code;
    int value = 0;
    int extra = -1;
};
