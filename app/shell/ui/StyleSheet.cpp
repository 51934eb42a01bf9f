#include "shell/ui/StyleSheet.h"

#include <QDir>
#include <QFile>
#include <mutex>

static void registerShellResources()
{
    Q_INIT_RESOURCE(shell);
}

void initShellResources()
{
    static std::once_flag once;
    std::call_once(once, registerShellResources);
}

QStringList styleSheetParts()
{
    initShellResources();
    const QDir folder(QStringLiteral(":/style"));
    return folder.entryList({ QStringLiteral("*.qss") }, QDir::Files, QDir::Name);
}

QString loadStyleSheet()
{
    QString sheet;
    for (const QString& name : styleSheetParts()) {
        QFile file(QStringLiteral(":/style/") + name);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        sheet += QStringLiteral("/* %1 */\n").arg(name);
        sheet += QString::fromUtf8(file.readAll());
        sheet += QLatin1Char('\n');
    }
    return sheet;
}
