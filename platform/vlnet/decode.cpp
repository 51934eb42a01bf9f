#include "decode.h"

#include "common/json.h"
#include "wire.h"

#include <algorithm>
#include <cstring>

namespace vlnet
{

namespace
{

std::string_view textOf(const Bytes& bytes, std::size_t offset)
{
    return std::string_view(reinterpret_cast<const char*>(bytes.data()) + offset, bytes.size() - offset);
}

void putText(char* slot, std::size_t size, const std::string& text)
{
    std::memset(slot, 0, size);
    std::memcpy(slot, text.data(), std::min(size, text.size()));
}

} // namespace

std::optional<std::string> helloNonce(const Bytes& payload)
{
    Json::Value hello;
    if (!vljson::parse_object(textOf(payload, 0), hello, vljson::syntax::strict))
        return std::nullopt;
    const Json::Value* nonce = vljson::reader(hello, vljson::policy::exact).get("nonce");
    if (!nonce || !nonce->isString())
        return std::nullopt;
    return nonce->asString();
}

std::optional<LoginAnswer> readLoginAnswer(const Bytes& payload)
{
    Json::Value reply;
    if (payload.size() < 4 || std::int32_t(vlwire::getU32(payload.data())) != vlwire::kOk
        || !vljson::parse_object(textOf(payload, 4), reply, vljson::syntax::strict))
        return std::nullopt;
    const Json::Value* status = vljson::reader(reply, vljson::policy::exact).get("status");
    if (!status || !status->isInt())
        return std::nullopt;
    LoginAnswer a;
    a.status = status->asInt();
    // Whatever else the device sends is taken where it converts and left
    // out where it does not: one odd member must not cost the login.
    vljson::reader r(reply, vljson::policy::convert_or_absent);
    r.read("http_port", a.httpPort);
    a.http = r.found();
    if (a.http) {
        r.read("https", a.https);
        r.read("password_enc", a.passwordEncryption);
        r.read("support_recover_password", a.supportRecoverPassword);
        r.read("use_recover_password", a.useRecoverPassword);
        r.read("token", a.token);
        r.read("cookie", a.cookie);
        r.read("protocol", a.protocol);
        r.read("activation_pwd", a.activationPassword);
        r.read("syn_activation_pwd", a.syncActivationPassword);
    }
    if (const Json::Value* info = r.get("device_info"))
        a.deviceInfo = vljson::write_compact(*info);
    if (const Json::Value* info = r.get("channel_info"))
        a.channelInfo = vljson::write_compact(*info);
    return a;
}

bool isLoginSuccess(int status)
{
    return status == VLNET_STATUS_LOGIN_SUCCESS || status == VLNET_STATUS_HTTP_LOGIN
        || status == VLNET_STATUS_HTTPS_LOGIN;
}

void fillHttpRecord(const LoginAnswer& a, const SessionPlace& place, VLNET_HTTP_DEVICE_INFO& out)
{
    std::memset(&out, 0, sizeof(out));
    putText(out.real_address, sizeof(out.real_address), place.realAddress);
    putText(out.address, sizeof(out.address), place.address);
    out.real_port = place.port;
    if (a.http) {
        out.port = a.httpPort;
        out.https = a.https;
        out.password_encryption = a.passwordEncryption;
        out.support_recover_password = a.supportRecoverPassword;
        out.use_recover_password = a.useRecoverPassword;
        putText(out.token, sizeof(out.token), a.token);
        putText(out.cookie, sizeof(out.cookie), a.cookie);
        putText(out.protocol, sizeof(out.protocol), a.protocol);
        out.activation_password = a.activationPassword;
        out.sync_activation_password = a.syncActivationPassword;
    } else {
        out.port = place.port;
        putText(out.protocol, sizeof(out.protocol), "media");
    }
    if (isLoginSuccess(a.status))
        putText(out.user_name, sizeof(out.user_name), place.user);
}

std::optional<DeviceMessage> readMessage(const Bytes& payload)
{
    if (payload.size() < 4)
        return std::nullopt;
    DeviceMessage m;
    m.id = std::int32_t(vlwire::getU32(payload.data()));
    m.data.assign(payload.begin() + 4, payload.end());
    return m;
}

std::optional<Reply> readReply(const Bytes& payload)
{
    if (payload.size() < 4)
        return std::nullopt;
    Reply r;
    r.result = std::int32_t(vlwire::getU32(payload.data()));
    r.data.assign(payload.begin() + 4, payload.end());
    return r;
}

std::optional<ParamRecords> readParamRecords(
    const Bytes& data, std::size_t headerSize, std::size_t recordSize)
{
    if (recordSize == 0 || data.size() < headerSize || (data.size() - headerSize) % recordSize != 0)
        return std::nullopt;
    ParamRecords out;
    out.header = headerSize ? data.data() : nullptr;
    out.records = data.data() + headerSize;
    out.count = (data.size() - headerSize) / recordSize;
    out.recordSize = recordSize;
    return out;
}

} // namespace vlnet
