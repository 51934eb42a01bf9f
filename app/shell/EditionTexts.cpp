#include "shell/EditionTexts.h"

#include "shell/AppInfo.h"
#include "shell/TextTable.h"

namespace
{

constexpr int kTextProgramName = 0;
constexpr int kTextProductLabel = 2;
constexpr int kTextVersionLabel = 3;
constexpr int kTextWebAddress = 296;

} // namespace

namespace EditionTexts
{

QString companyBlock(int edition)
{
    switch (edition) {
    case 10:
        return QStringLiteral("Northbay Vision Systems\nsupport@northbay.example");
    case 16:
        return QStringLiteral("Kestrel Security Co., Ltd.\nwww.kestrel-security.example");
    case 27:
        return QStringLiteral("Alder & Finch Surveillance\nalder-finch.example");
    default:
        return {};
    }
}

QString aboutVersion(int edition)
{
    return edition == 32 ? QStringLiteral("1.0.0.00") : AppInfo::version();
}

QString aboutText(int edition)
{
    const QString name = TextTable::text(kTextProgramName);
    const QString product = TextTable::text(kTextProductLabel);
    const QString versionLine = TextTable::text(kTextVersionLabel) + aboutVersion(edition);
    const QString web = TextTable::text(kTextWebAddress);
    const QString standard = product + name + QStringLiteral("\n\n") + versionLine;

    switch (edition) {
    case 0:
    case 47:
    case 61:
    case 62:
    case 63:
    case 64:
    case 65:
    case 66:
        return versionLine;
    case 43:
    case 44:
        return name + QStringLiteral("\n\n") + versionLine;
    case 57:
        return versionLine + QStringLiteral("\n\n") + web;
    case 60:
        return QStringLiteral("<h3>%1</h3><h4>%2</h4><h4><a href=\"%3\">%3</a></h4>")
            .arg(name.toHtmlEscaped(), versionLine.toHtmlEscaped(), web.toHtmlEscaped());
    case 10:
    case 16:
    case 27:
        return standard + QStringLiteral("\n\n") + companyBlock(edition);
    default:
        return standard;
    }
}

} // namespace EditionTexts
