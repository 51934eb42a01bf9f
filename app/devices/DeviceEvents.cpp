#include "devices/DeviceEvents.h"

#include "common/json.h"

#include <cstring>

QUpgradeEvent::QUpgradeEvent(QEvent::Type type, int code, intptr_t second)
    : QEvent(type)
    , code(code)
{
    if (code != kSdkProgressRecord) {
        // The value is a plain number passed in the pointer's place.
        value = static_cast<int>(second);
        return;
    }
    if (second == 0)
        return;
    const auto* record = reinterpret_cast<const unsigned char*>(second);
    int8_t sdkCode = 0;
    int8_t sdkValue = 0;
    int32_t sdkExtra = 0;
    std::memcpy(&sdkExtra, record + 4, sizeof sdkExtra);
    std::memcpy(&sdkCode, record + 8, sizeof sdkCode);
    std::memcpy(&sdkValue, record + 9, sizeof sdkValue);
    this->code = sdkCode;
    value = sdkValue;
    extra = sdkExtra;
}

namespace
{
// The result texts of the multicast activation and network update, with the
// replies each is a result of; a text of the other operation counts as an
// unknown one.
struct ResultText {
    const char* text;
    int code;
    bool activation;
    bool update;
};
constexpr ResultText kResultTexts[] = {
    { "success", MultiSuccess, true, true },
    { "not support", MultiNotSupport, true, true },
    { "check error", MultiCheckError, true, true },
    { "key error", MultiKeyError, true, true },
    { "rule not met", MultiRuleNotMet, true, true },
    { "weak password dictionary", MultiWeakPassword, true, true },
    { "device is activated", MultiDeviceActivated, true, true },
    { "save failed", MultiSaveFailed, true, true },
    { "no response", MultiNoResponse, true, true },
    { "need auth", MultiNeedAuth, false, true },
    { "update failed", MultiUpdateFailed, false, true },
    { "ipc rule not met", MultiIpcRuleNotMet, true, false },
};

int resultCode(const QString& result, bool ResultText::*column)
{
    for (const ResultText& t : kResultTexts) {
        if (t.*column && result == QLatin1String(t.text))
            return t.code;
    }
    return MultiOtherResult;
}
} // namespace

int activationResultCode(const QString& result)
{
    return resultCode(result, &ResultText::activation);
}

int updateResultCode(const QString& result, int lastStatus)
{
    const int code = resultCode(result, &ResultText::update);
    return code == MultiNeedAuth && lastStatus == kNeedAuthStatus ? MultiNeedAuthAgain : code;
}

int updateReplyCode(const char* json, const QString& devId, int lastStatus)
{
    Json::Value reply;
    if (!json || !vljson::parse_object(json, reply))
        return -1;
    vljson::reader r(reply, vljson::policy::exact_or_absent);
    const QString id = QString::fromStdString(r.text("dev id"));
    // Another device's answer says nothing about this one.
    if (id != devId)
        return MultiNoResponse;
    return updateResultCode(QString::fromStdString(r.text("result")), lastStatus);
}
