#include "upgrade/UpgradePackParser.h"

#include <QDebug>
#include <limits>

UpgradePackParser::UpgradePackParser(QObject* parent)
    : QObject(parent)
{
}

UpgradePackParser::~UpgradePackParser()
{
    close();
}

bool UpgradePackParser::load(const QString& path)
{
    close();
    m_path = path;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        qDebug() << "UpgradePackParser::load"
                 << "failed to open:" << path;
        return false;
    }
    const qint64 length = m_file.size();
    if (length < kMinimumSize) {
        m_file.close();
        return false;
    }
    // The uploads count the image in a signed 32-bit size.
    if (length > std::numeric_limits<qint32>::max()) {
        qDebug() << "UpgradePackParser::load"
                 << "file too large:" << path << length;
        m_file.close();
        return false;
    }
    m_size = qint32(length);
    m_data = m_file.map(0, length);
    if (!m_data) {
        qDebug() << "Map failed. Error code:" << m_file.error() << ", Message:" << m_file.errorString();
        m_file.close();
        m_size = 0;
        return false;
    }
    return true;
}

void UpgradePackParser::close()
{
    if (m_data && m_file.isOpen())
        m_file.unmap(const_cast<uchar*>(m_data));
    m_data = nullptr;
    if (m_file.isOpen())
        m_file.close();
    m_size = 0;
    m_path.clear();
}
