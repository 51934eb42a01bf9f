#include "operations/PasswordChange.h"

#include "devices/DeviceInfo.h"
#include "devices/WebSecrets.h"
#include "shell/Utilities.h"

#include <cstring>
#include <memory>

namespace PasswordChange
{

namespace
{

const QByteArray kGetPath = QByteArrayLiteral("/API/SystemConfig/User/Get");
const QByteArray kSetPath = QByteArrayLiteral("/API/SystemConfig/User/Set");
const QByteArray kKeyPath = QByteArrayLiteral("/API/Maintenance/TransKey/Get");

template <std::size_t N> void putSlot(char (&slot)[N], const QString& text)
{
    const QByteArray bytes = text.toLatin1().left(int(N));
    std::memcpy(slot, bytes.constData(), std::size_t(bytes.size()));
}

} // namespace

void applyNewPassword(SdkUserRecord& record, bool c32, const QString& user, const QString& newPassword,
    const QString& secondPassword)
{
    if (c32) {
        std::memset(record.c32_password, 0, sizeof record.c32_password);
        std::memset(record.user_name2, 0, sizeof record.user_name2);
        putSlot(record.c32_password, newPassword);
        putSlot(record.user_name2, user);
    } else {
        std::memset(record.password, 0, sizeof record.password);
        std::memset(record.password2, 0, sizeof record.password2);
        putSlot(record.password, newPassword);
        putSlot(record.password2, secondPassword);
    }
    record.have_switch = 1;
}

int rulesStatus(int rulesCode)
{
    if (rulesCode == WebSecrets::RulesMet)
        return 0;
    if (rulesCode >= WebSecrets::SameAsUser && rulesCode <= WebSecrets::TooFewKinds)
        return rulesCode - 198;
    return kRulesUnavailable;
}

QByteArray userSetBody(
    const QJsonObject& account, const QJsonObject& encPassword, const QJsonObject& secondaryAuth)
{
    QJsonObject admin = account;
    admin.insert(QStringLiteral("base_enc_password"), encPassword);
    QJsonObject userInfo;
    userInfo.insert(QStringLiteral("ADMIN"), admin);
    QJsonObject data;
    data.insert(QStringLiteral("user_info"), userInfo);
    data.insert(QStringLiteral("type"), QStringLiteral("SavePassword"));
    data.insert(QStringLiteral("base_secondary_authentication"), secondaryAuth);
    return WorkerFrame::envelope(data);
}

int changeByWeb(DeviceInfo* device, const Post& first, const Post& second, const std::function<int()>& rules)
{
    const WorkerFrame::Reply get = first(kGetPath, QByteArray());
    if (!get.httpOk || get.outcome == WorkerFrame::Outcome::Error)
        return kFailed;
    // Without the account (another "result", none sent) the write still
    // goes out, holding only the new password.
    QJsonObject account;
    if (get.outcome == WorkerFrame::Outcome::Ok)
        account = get.data()
                      .value(QStringLiteral("user_info"))
                      .toObject()
                      .value(QStringLiteral("ADMIN"))
                      .toObject();

    if (const int status = rulesStatus(rules()))
        return status;

    const WorkerFrame::Reply key = second(kKeyPath,
        WebSecrets::transKeyRequestBody({ QStringLiteral("base_salt"), QStringLiteral("base_x_public") }));
    if (!key.httpOk || key.outcome == WorkerFrame::Outcome::Error)
        return kFailed;
    const auto auth = WorkerFrame::secondaryAuthFrom(key.object, device->password);
    const auto deviceKey = WebSecrets::transKeyEntry(key.object, 1);
    if (!auth || !deviceKey || deviceKey->type != QLatin1String("base_x_public"))
        return kFailed;
    QString publicKey, cipher;
    if (device->encryptPassword(deviceKey->key.mid(1), publicKey, cipher) != 0)
        return kFailed;
    QJsonObject sealed;
    sealed.insert(QStringLiteral("seq"), deviceKey->seq);
    sealed.insert(QStringLiteral("cipher"), QStringLiteral("0") + cipher);
    sealed.insert(QStringLiteral("peer_key"), QStringLiteral("0") + publicKey);

    // Judged by its "result" alone: a device may answer a change it made
    // with another HTTP status.
    const WorkerFrame::Reply set = second(kSetPath, userSetBody(account, sealed, *auth));
    return set.outcome == WorkerFrame::Outcome::Ok ? kChanged : kFailed;
}

int changeByVlnet(DeviceInfo* device, const VlnetCalls& calls)
{
    VLNET_QUERY_PARAM query;
    std::memset(&query, 0, sizeof query);
    query.command = VLNET_PARAM_USERS;
    query.channels = nullptr;
    query.header_size = VLNET_PARAM_USERS_HEADER_SIZE;
    query.header_callback = &DeviceInfo::userHeaderCallback;
    query.record_size = VLNET_PARAM_USERS_SIZE;
    query.record_callback = &DeviceInfo::userRecordCallback;
    query.user = device;
    if (calls.query(query) == 0 || device->userRecords.empty())
        return kFailed;

    VLNET_DEVICE_INFO info;
    std::memset(&info, 0, sizeof info);
    calls.deviceInfo(info);
    const bool c32 = (info.flags228 & VLNET_F228_C32_PASSWORD) != 0;
    applyNewPassword(
        device->userRecords.front(), c32, device->user, device->newPassword, device->secondPassword);

    VLNET_SET_PARAM set;
    std::memset(&set, 0, sizeof set);
    set.command = VLNET_PARAM_USERS;
    set.record = nullptr;
    set.records = device->userRecords.data();
    set.record_count = int32_t(device->userRecords.size());
    return calls.set(set) == 1 ? kChanged : kFailed;
}

} // namespace PasswordChange

// ---- The worker and the user query's callbacks -----------------------------------

void VLNET_CALL DeviceInfo::userHeaderCallback(const void* header, void* user)
{
    auto* device = static_cast<DeviceInfo*>(user);
    if (device && header)
        std::memcpy(&device->userQueryHeader, header, sizeof device->userQueryHeader);
}

int VLNET_CALL DeviceInfo::userRecordCallback(const void* record, void* user)
{
    auto* device = static_cast<DeviceInfo*>(user);
    if (!device || !record)
        return 0;
    SdkUserRecord copy;
    std::memcpy(&copy, record, sizeof copy);
    device->userRecords.push_back(copy);
    return 1;
}

void DeviceInfo::changeUserPassword(DeviceInfo* device)
{
    if (!device)
        return;
    device->userRecords.clear();
    int status;
    if (WorkerFrame::transport() == WorkerFrame::Transport::VLNet) {
        const int handle = device->connectionHandle;
        PasswordChange::VlnetCalls calls;
        calls.query = [handle](const VLNET_QUERY_PARAM& q) { return VLNetQueryParam(handle, &q); };
        calls.deviceInfo
            = [handle](VLNET_DEVICE_INFO& info) { VLNetGetDevInfo(handle, &info, int(sizeof info)); };
        calls.set = [handle](const VLNET_SET_PARAM& s) { return VLNetSetParam(handle, &s); };
        status = PasswordChange::changeByVlnet(device, calls);
    } else {
        // The account is read on a client of its own; the keys and the
        // write share the second.
        std::unique_ptr<WorkerFrame::WebRun> first = std::make_unique<WorkerFrame::WebRun>(device);
        std::unique_ptr<WorkerFrame::WebRun> second;
        status = PasswordChange::changeByWeb(
            device,
            [&first](const QByteArray& path, const QByteArray& body) { return first->post(path, body); },
            [&](const QByteArray& path, const QByteArray& body) {
                if (!second)
                    second = std::make_unique<WorkerFrame::WebRun>(device);
                return second->post(path, body);
            },
            [&] {
                first.reset();
                return device->checkAccountRules();
            });
    }
    WorkerFrame::finish(device, status, device->changePasswordPage);
}
