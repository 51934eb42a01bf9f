// The setters through which a search fills a new device record and a page
// hands a device the parameters of its next operation.
#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "shell/GKAppSetting.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

namespace
{

// The 16 raw bytes of an IPv6 address as eight groups of four lower-case
// hexadecimal digits.
QString ipv6FromBytes(const uint8_t (&bytes)[16])
{
    QString text;
    for (int i = 0; i < 16; i += 2) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QStringLiteral("%1%2")
                    .arg(bytes[i], 2, 16, QLatin1Char('0'))
                    .arg(bytes[i + 1], 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace

void DeviceInfo::setSearchResult(const SearchDevRsp* record, QByteArray limits, bool onvifView)
{
    if (!record)
        return;
    const GKAppSetting* settings = GKAppSetting::instance();
    const EditionProfile::Devices& edition = settings->profile().devices;

    if (!limits.isEmpty()) {
        deviceLimits = limits;
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(limits, &error);
        if (error.error == QJsonParseError::NoError) {
            const QJsonObject top = doc.object();
            dns1Editable = top.value(QStringLiteral("wired_dns1")).toBool(false);
            dns2Editable = top.value(QStringLiteral("wired_dns2")).toBool(false);
        }
    }
    if (edition.dnsAlwaysEditable) {
        dns1Editable = true;
        dns2Editable = true;
    }

    // The VLNet part is all a VLNet session can use; the multicast part is
    // kept where the device will be reached through its web interface.
    const int source = searchSource.load();
    const bool wholeRecord = (source == 1 || source == 2)
        && (edition.webInterfaceForMulticastFinds || settings->protocol() != 1);
    if (wholeRecord) {
        searchRecord = *record;
        ipv6Text = recordText(searchRecord.ipv6Text);
    } else {
        std::memcpy(&searchRecord, record, kSdkSearchRecordSize);
        std::memset(searchRecord.devId, 0, sizeof searchRecord.devId);
        std::memset(searchRecord.devEnc, 0, sizeof searchRecord.devEnc);
        searchRecord.analogChannelCount = record->sdk.analog_channel_num; // sign-extended
        if (record->sdk.ipv6[0] != 0)
            ipv6Text = ipv6FromBytes(record->sdk.ipv6);
    }

    if (onvifView) {
        // The ONVIF view shows none of what ONVIF does not tell.
        auto* bytes = reinterpret_cast<unsigned char*>(&searchRecord);
        std::memset(bytes + kOnvifHiddenFrom, 0, sizeof searchRecord - kOnvifHiddenFrom);
        searchRecord.sdk.network_mode = 2;
        searchRecord.sdk.media_port = 0;
    }
    isOnvif = onvifView;
}

void DeviceInfo::setModifyParams(const QString& ip, quint16 mediaPort, quint16 webPort,
    const QString& gateway, const QString& mask, int addressMode, const QString& dns1, const QString& dns2)
{
    const GKAppSetting* settings = GKAppSetting::instance();
    const EditionProfile::Devices& edition = settings->profile().devices;
    // Where the web port goes: a device reached through its web interface
    // changes its HTTP port, one reached through VLNet its web port.
    const bool multicastRule = edition.webInterfaceForMulticastFinds && settings->onSearchPage();
    const bool toHttpPort = multicastRule ? searchSource.load() != 0 : webInterfaceProtocol();
    const quint16 port = webPort >= 1 ? webPort : quint16(this->webPort());
    if (toHttpPort)
        httpPort = port;
    else
        newWebPort = port;

    storeAddressParams(ip, mediaPort, gateway, mask, addressMode);
    newDns1 = dns1.isEmpty() ? this->dns1() : dns1;
    newDns2 = dns2.isEmpty() ? this->dns2() : dns2;
}

void DeviceInfo::setNetworkParams(const QString& ip, quint16 mediaPort, quint16 webPort,
    const QString& gateway, const QString& mask, int addressMode)
{
    storeAddressParams(ip, mediaPort, gateway, mask, addressMode);
    newWebPort = webPort >= 1 ? webPort : quint16(this->webPort());
    // The network change sends the HTTP port and both DNS servers too: an
    // HTTP port left from an earlier change on the search page, or empty
    // DNS texts, would go out in their place.
    httpPort = newWebPort;
    newDns1 = this->dns1();
    newDns2 = this->dns2();
}

void DeviceInfo::storeAddressParams(
    const QString& ip, quint16 mediaPort, const QString& gateway, const QString& mask, int addressMode)
{
    newIp = ip.isEmpty() ? this->ip() : ip;
    newMediaPort = mediaPort >= 1 ? mediaPort : quint16(this->mediaPort());
    newGateway = gateway.isEmpty() ? this->gateway() : gateway;
    newMask = mask.isEmpty() ? netmask() : mask;
    this->addressMode = addressMode;
}

void DeviceInfo::setWorkParams(const QString& user, const QString& password, const QString& newPassword,
    const QString& secondPassword, const QString& frameRateText, const QString& codecText,
    const QString& resolutionText, int streamIndex, int qualityLevel, int bitrate, int customBitrate,
    int bitrateMode)
{
    this->user = user;
    this->password = password;
    this->newPassword = newPassword;
    this->secondPassword = secondPassword;
    this->frameRateText = frameRateText;
    this->codecText = codecText;
    this->resolutionText = resolutionText;
    this->streamIndex = streamIndex;
    this->bitrate = bitrate;
    this->bitrateMode = bitrateMode;
    if (webInterfaceProtocol()) {
        this->customBitrate = customBitrate;
        return;
    }
    // A text outside the table keeps the earlier codec.
    const int codec = codecNumber(codecText);
    if (codec >= 0)
        codecIndex = codec;
    frameRate = frameRateText.toInt(); // 0 when it is no number
    this->qualityLevel = qualityLevel;
    resolutionCopy = resolutionText;
}

void DeviceInfo::setNameTypeParams(
    const QString& user, const QString& password, const QString& name, const QString& type)
{
    this->user = user;
    this->password = password;
    const bool latin1 = GKAppSetting::instance()->profile().devices.latin1DeviceTexts;
    newDeviceName = latin1 ? name.toLatin1() : name.toLocal8Bit();
    newDeviceType = latin1 ? type.toLatin1() : type.toLocal8Bit();
}

void DeviceInfo::setActivationParams(const QString& password, int syncFlag)
{
    activationPassword = password.toLatin1();
    syncPassword = quint8(syncFlag) != 0;
}

void DeviceInfo::setResetItems(quint8 item0, quint8 item1, quint8 item2, quint8 item3, quint8 item4,
    quint8 item5, quint8 item6, quint8 item7, quint8 item8, quint8 item9, quint8 item10)
{
    resetItems = { item0, item1, item2, item3, item4, item5, item6, item7, item8, item9, item10 };
    resetKind = 0;
}

void DeviceInfo::setFactoryResetItems(quint8 ai, quint8 alarm, quint8 channel, quint8 device, quint8 network,
    quint8 record, quint8 system, quint8 event, quint8 exceptNetworkParam)
{
    factoryResetItems = { ai, alarm, channel, device, network, record, system, event, exceptNetworkParam };
    resetKind = 1;
}

void DeviceInfo::setInactiveResetParams(int choice)
{
    factoryTypeChoice = choice;
    resetKind = 2;
}

void DeviceInfo::setSdkDevInfo(const void* record)
{
    if (!record) {
        sdkDevInfo.clear();
        return;
    }
    sdkDevInfo = QByteArray(static_cast<const char*>(record), kSdkDevInfoSize);
}

void DeviceInfo::setSdkDevInfoTexts(const QString& functionCode, const QString& customType)
{
    functionCodeText = functionCode;
    customTypeText = customType;
}

void DeviceInfo::setOsdParams(int nameX, int nameY, int timeX, int timeY, const QString& name)
{
    osdNameX = nameX;
    osdNameY = nameY;
    osdTimeX = timeX;
    osdTimeY = timeY;
    osdNameText = name;
}

void DeviceInfo::setDateTimeParam(const QDateTime& dateTime)
{
    this->dateTime = dateTime;
}

void DeviceInfo::setVideoFormat(const QString& format)
{
    videoFormat = format;
}
