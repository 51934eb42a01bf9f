#pragma once
// The thread that uploads one firmware image to one device over its web
// interface, so that the GUI and the work pool stay free: one
// HttpClient::upload, progress events to the receiver (the device record),
// then one finish signal.
//
// Where the bytes come from:
// - automatic upgrade (setAutoMode(true)): the file named by setParams, read
//   by the thread itself; it must still have the size given there;
// - the upgrade page: an UploadDataSource (the page's mapped firmware file),
//   set with setDataSource. Without one, or with fewer bytes than setParams
//   names, the upload fails before anything is sent.
//
// Life: made by the upgrade steps (GUI thread for the upgrade page, a pool
// thread for the automatic upgrade), given its session and parameters,
// started once, and deleted by its receiver after the finish signal. cancel()
// ends a running upload within about a second (at the transfer's next
// progress call); after it returns the receiver gets no more progress
// events, and wait() with a bound is then safe. The destructor cancels and
// waits.
//
// Threads: the setters before start(), on the thread that made it; cancel()
// and isCancelled() from any thread; the signals are emitted on the upload
// thread (connect them queued, as a slot of the record is).
#include "devices/HttpClient.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>

// The firmware bytes of a manual upload. They are read on the upload thread
// and must stay valid (the file mapped) until that thread has ended: cancel
// and wait for it before unmapping.
class UploadDataSource
{
public:
    virtual ~UploadDataSource() = default;
    // The bytes; null when no file is loaded.
    virtual const char* uploadData() const = 0;
    virtual qint64 uploadSize() const = 0;
};

class httpRequest : public QThread
{
    Q_OBJECT

public:
    // `parent` is the receiver too (the upgrade page's case); the automatic
    // upgrade passes none and calls setReceiver.
    explicit httpRequest(QObject* parent = nullptr);
    ~httpRequest() override;

    // Gets the progress events (QUpgradeEvent 394, value = percent); may be
    // null.
    void setReceiver(QObject* receiver);
    QObject* receiver() const { return m_receiver; }
    // The device's web session; `port` replaces the URL's port.
    void setSession(
        const QByteArray& cookie, const QByteArray& csrfToken, const QString& host, int https, int port);
    // `url`: http://host[:port]/path; `length` bytes go, at most
    // `speedFactor` x 512 KiB per second. `fileName`: the file of an
    // automatic upgrade; only stored otherwise.
    void setParams(const QString& url, const QByteArray& upgradeToken, const QString& fileName, qint64 length,
        int speedFactor);
    // Automatic upgrade: AutoUpgradeEvent progress, the bytes from the file,
    // taskAutoFinished.
    void setAutoMode(bool on) { m_autoMode = on; }
    bool autoMode() const { return m_autoMode; }
    // The upgrade page's bytes; not owned.
    void setDataSource(const UploadDataSource* source) { m_source = source; }

    // Any thread; see the top.
    void cancel();
    bool isCancelled() const { return m_client.isCancelled(); }

    // The answer body of the upload once the thread has ended (for logs and
    // tests).
    QByteArray responseBody() const { return m_client.responseBody(); }

signals:
    // Once per run, from the upload thread: the upload's result (HTTP 200 and
    // not cancelled). taskFinished in manual mode, taskAutoFinished in auto
    // mode.
    void taskFinished(bool ok);
    void taskAutoFinished(bool ok);

protected:
    void run() override;

private:
    bool uploadFromFile();
    bool uploadFromSource();
    void logResult(bool ok) const;
    void log(int line, const QString& message) const;

    HttpClient m_client;
    QObject* m_receiver = nullptr;
    QString m_url;
    QByteArray m_upgradeToken;
    QString m_fileName;
    qint64 m_length = 0;
    int m_speedFactor = 0;
    bool m_autoMode = false;
    const UploadDataSource* m_source = nullptr;
};
