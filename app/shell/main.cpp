// Start-up placeholder: opens an empty main window until the shell lands.
#include <QApplication>
#include <QLabel>

#include "shell/AppInfo.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("DORVEX Device Config %1").arg(AppInfo::version()));
    window.setWindowTitle(QStringLiteral("DORVEX Device Config"));
    window.setAlignment(Qt::AlignCenter);
    window.resize(1048, 636);
    window.show();
    return app.exec();
}
