#include "shell/EditionTexts.h"

#include "shell/AppInfo.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"

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
    return EditionProfile::of(edition).about.companyBlock;
}

QString aboutVersion(int edition)
{
    const QString fixed = EditionProfile::of(edition).about.version;
    return fixed.isEmpty() ? AppInfo::version() : fixed;
}

QString aboutText(int edition)
{
    using Layout = EditionProfile::About::Layout;
    const QString name = TextTable::text(kTextProgramName);
    const QString product = TextTable::text(kTextProductLabel);
    const QString versionLine = TextTable::text(kTextVersionLabel) + aboutVersion(edition);
    const QString web = TextTable::text(kTextWebAddress);
    const QString standard = product + name + QStringLiteral("\n\n") + versionLine;

    switch (EditionProfile::of(edition).about.layout) {
    case Layout::VersionOnly:
        return versionLine;
    case Layout::NameAndVersion:
        return name + QStringLiteral("\n\n") + versionLine;
    case Layout::VersionAndWeb:
        return versionLine + QStringLiteral("\n\n") + web;
    case Layout::RichWithLink:
        return QStringLiteral("<h3>%1</h3><h4>%2</h4><h4><a href=\"%3\">%3</a></h4>")
            .arg(name.toHtmlEscaped(), versionLine.toHtmlEscaped(), web.toHtmlEscaped());
    case Layout::StandardWithCompany:
        return standard + QStringLiteral("\n\n") + companyBlock(edition);
    case Layout::Standard:
        break;
    }
    return standard;
}

} // namespace EditionTexts
