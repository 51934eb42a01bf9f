#pragma once
// The firmware file of a batch upgrade, mapped read-only and whole, so that
// the uploads to every device of the batch read the same bytes without a
// copy. No parsing beyond a minimum size.
//
// Threads: load and close on the GUI thread, and only while no batch runs;
// data and size from the upload threads while the file is mapped.
#include <QFile>
#include <QObject>
#include <QString>

class UpgradePackParser : public QObject
{
    Q_OBJECT

public:
    // A firmware image shorter than this is no image.
    static constexpr qint64 kMinimumSize = 1024;

    explicit UpgradePackParser(QObject* parent = nullptr);
    ~UpgradePackParser() override;

    // Releases any earlier file, then opens and maps `path`. False (and
    // nothing mapped) when the file cannot be opened, is shorter than
    // kMinimumSize, is 2 GiB or longer, or cannot be mapped.
    bool load(const QString& path);
    // The mapped bytes, or null.
    const uchar* data() const { return m_data; }
    // The mapped length (0 when nothing is mapped).
    qint32 size() const { return m_size; }
    QString path() const { return m_path; }
    // Releases the mapping and the file; nothing when already closed.
    void close();

private:
    QString m_path;
    const uchar* m_data = nullptr;
    qint32 m_size = 0;
    QFile m_file;
};
