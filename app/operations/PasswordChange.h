#pragma once
// The password change of a device's main account (operation 13,
// DeviceInfo::changeUserPassword), over VLNet (the user list, parameter
// message 505: read, first record changed, whole list written back) or the
// web interface ("/API/SystemConfig/User/Get", the account rules, both
// transfer keys on a second client, "/API/SystemConfig/User/Set"). The
// steps that decide something are functions here, so that tests run them
// without a device.
//
// Statuses: 5 changed; 6 failed (no answer, a refusal, a user query that
// gives no record, a key reply without both usable keys); 30 the rules
// could not be read; 52 to 60 the new password breaks rule 250 to 258.
//
// Threads: a work-pool thread.
#include "operations/WorkerFrame.h"
#include "vlnet.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <functional>

class DeviceInfo;

using SdkUserRecord = VLNET_USER_RECORD;

namespace PasswordChange
{

constexpr int kChanged = 5;
constexpr int kFailed = 6;
constexpr int kRulesUnavailable = 30;

// Writes the new password into `record` as the device keeps it: with
// `c32` (VLNET_F228_C32_PASSWORD) the new password and the user name into
// the 32-byte slots (80..143 zeroed first), else the new password and its
// confirmation into the 8-byte ones (8..23 zeroed first); each Latin-1, cut
// to its slot. Marks the record to be taken (have_switch 1). Nothing else
// changes.
void applyNewPassword(SdkUserRecord& record, bool c32, const QString& user, const QString& newPassword,
    const QString& secondPassword);

// The status of an account-rules result (DeviceInfo::checkAccountRules): 0
// to go on (79), 52 to 60 for 250 to 258, else 30.
int rulesStatus(int rulesCode);

// The User/Set body: the account kept from User/Get (empty when there was
// none) with its "base_enc_password", "type" "SavePassword" and the second
// authentication.
QByteArray userSetBody(
    const QJsonObject& account, const QJsonObject& encPassword, const QJsonObject& secondaryAuth);

using Post = std::function<WorkerFrame::Reply(const QByteArray& path, const QByteArray& body)>;

// The web path: `first` serves User/Get, `second` the key request and
// User/Set; `rules` is the account-rules check. The status.
int changeByWeb(DeviceInfo* device, const Post& first, const Post& second, const std::function<int()>& rules);

// The VLNet path, over the calls given (VLNetQueryParam, VLNetGetDevInfo,
// VLNetSetParam in the program). The status.
struct VlnetCalls {
    std::function<int(const VLNET_QUERY_PARAM&)> query;
    std::function<void(VLNET_DEVICE_INFO&)> deviceInfo;
    std::function<int(const VLNET_SET_PARAM&)> set;
};
int changeByVlnet(DeviceInfo* device, const VlnetCalls& calls);

} // namespace PasswordChange
