#include "shell/TextTable.h"

#include <QFile>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QStringList>
#include <QWriteLocker>
#include <QXmlStreamReader>
#include <memory>

namespace
{

QReadWriteLock g_lock;
std::unique_ptr<QStringList> g_texts; // null until load(), again after free()

// Reads every "string" element of the file, in document order. An XML error
// ends the reading: the texts before it count. False when the file cannot be
// opened.
bool readLanguageFile(const QString& path, QStringList* texts)
{
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("string")) {
            const QString text = xml.readElementText();
            if (xml.hasError())
                break;
            texts->append(text);
        }
    }
    return true;
}

} // namespace

QString TextTable::text(int id)
{
    QReadLocker lock(&g_lock);
    if (!g_texts || id < 0 || id >= g_texts->size())
        return {};
    return g_texts->at(id);
}

bool TextTable::load(const QString& path)
{
    auto texts = std::make_unique<QStringList>();
    const bool ok = readLanguageFile(path, texts.get());
    QWriteLocker lock(&g_lock);
    g_texts = std::move(texts);
    return ok;
}

bool TextTable::reload(const QString& path)
{
    auto texts = std::make_unique<QStringList>();
    if (!readLanguageFile(path, texts.get()))
        return false;
    // The old list is destroyed after the lock is released.
    std::unique_ptr<QStringList> old;
    {
        QWriteLocker lock(&g_lock);
        old = std::move(g_texts);
        g_texts = std::move(texts);
    }
    return true;
}

void TextTable::free()
{
    std::unique_ptr<QStringList> old;
    QWriteLocker lock(&g_lock);
    old = std::move(g_texts);
}

int TextTable::count()
{
    QReadLocker lock(&g_lock);
    return g_texts ? g_texts->size() : 0;
}
