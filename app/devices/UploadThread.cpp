#include "devices/UploadThread.h"

#include "shell/GKAppSetting.h"

#include <QFile>

httpRequest::httpRequest(QObject* parent)
    : QThread(parent)
    , m_receiver(parent)
{
    m_client.setReceiver(parent);
}

httpRequest::~httpRequest()
{
    // A running transfer ends at its next progress call; only then may the
    // client and the bytes it reads go.
    cancel();
    wait();
}

void httpRequest::setReceiver(QObject* receiver)
{
    m_receiver = receiver;
    m_client.setReceiver(receiver);
}

void httpRequest::setSession(
    const QByteArray& cookie, const QByteArray& csrfToken, const QString& host, int https, int port)
{
    m_client.setCookie(cookie);
    m_client.setCsrfToken(csrfToken);
    m_client.setHost(host);
    m_client.setHttps(https);
    m_client.setPort(port);
}

void httpRequest::setParams(const QString& url, const QByteArray& upgradeToken, const QString& fileName,
    qint64 length, int speedFactor)
{
    m_url = url;
    m_upgradeToken = upgradeToken;
    m_fileName = fileName;
    m_length = length;
    m_speedFactor = speedFactor;
}

void httpRequest::cancel()
{
    m_client.cancel();
    requestInterruption();
}

void httpRequest::run()
{
    m_client.setReceiver(m_receiver);
    m_client.setAutoMode(m_autoMode);
    const bool ok = m_autoMode ? uploadFromFile() : uploadFromSource();
    if (m_autoMode)
        emit taskAutoFinished(ok);
    else
        emit taskFinished(ok);
}

bool httpRequest::uploadFromFile()
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        log(__LINE__, QStringLiteral("%1 not readable: %2").arg(m_fileName, file.errorString()));
        return false;
    }
    // The device was promised this many bytes; a file changed since then
    // would be sent cut short or with a stranger's tail.
    if (file.size() != m_length) {
        log(__LINE__,
            QStringLiteral("%1 holds %2 bytes, not the %3 announced; nothing sent")
                .arg(m_fileName)
                .arg(file.size())
                .arg(m_length));
        return false;
    }
    const char* data = nullptr;
    if (m_length > 0) {
        // Mapped, not read: parallel uploads of one file share its pages.
        data = reinterpret_cast<const char*>(file.map(0, m_length));
        if (!data) {
            log(__LINE__, QStringLiteral("%1 not mapped: %2").arg(m_fileName, file.errorString()));
            return false;
        }
    }
    const bool ok = m_client.upload(m_url, m_upgradeToken, m_fileName, data, m_length, m_speedFactor);
    logResult(ok);
    return ok; // the mapping ends with the file, after the transfer
}

bool httpRequest::uploadFromSource()
{
    const char* data = m_source ? m_source->uploadData() : nullptr;
    if (!data) {
        log(__LINE__, QStringLiteral("no firmware loaded for the upload to %1; nothing sent").arg(m_url));
        return false;
    }
    if (m_length < 0 || m_source->uploadSize() < m_length) {
        log(__LINE__,
            QStringLiteral("the firmware holds %1 bytes, not the %2 announced; nothing sent")
                .arg(m_source->uploadSize())
                .arg(m_length));
        return false;
    }
    const bool ok = m_client.upload(m_url, m_upgradeToken, m_fileName, data, m_length, m_speedFactor);
    logResult(ok);
    return ok;
}

void httpRequest::logResult(bool ok) const
{
    if (ok) {
        log(__LINE__, QStringLiteral("upload of %1 bytes to %2 done").arg(m_length).arg(m_url));
        return;
    }
    log(__LINE__,
        QStringLiteral("upload of %1 bytes to %2 failed%3; answer: %4")
            .arg(m_length)
            .arg(m_url, isCancelled() ? QStringLiteral(" (cancelled)") : QString(),
                QString::fromUtf8(m_client.responseBody().left(200))));
}

void httpRequest::log(int line, const QString& message) const
{
    GKAppSetting::instance()->log(QStringLiteral("httpRequest::run"), line, message);
}
