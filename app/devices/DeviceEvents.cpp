#include "devices/DeviceEvents.h"

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

int activationResultCode(const QString& result)
{
    struct Text {
        const char* text;
        int code;
    };
    static constexpr Text kTexts[] = {
        { "success", MultiSuccess },
        { "not support", MultiNotSupport },
        { "check error", MultiCheckError },
        { "key error", MultiKeyError },
        { "rule not met", MultiRuleNotMet },
        { "weak password dictionary", MultiWeakPassword },
        { "device is activated", MultiDeviceActivated },
        { "save failed", MultiSaveFailed },
        { "no response", MultiNoResponse },
        { "ipc rule not met", MultiIpcRuleNotMet },
    };
    for (const Text& t : kTexts) {
        if (result == QLatin1String(t.text))
            return t.code;
    }
    return MultiOtherResult;
}
