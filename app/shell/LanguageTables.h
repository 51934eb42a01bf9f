#pragma once
// How each language file is named in the language menu and which of Qt's own
// translations goes with it. Edition files are language files made for one or
// a few editions; their names are a language prefix and an edition suffix
// ("ENU_57.xml", "RUS_DORVEX.xml"). Which edition offers which files is
// EditionProfile::languageFiles. Pure functions; any thread.
#include <QString>
#include <QStringList>

namespace LanguageTables
{

// The language-table number of the text that names `fileName` in the
// language menu: 89 (English) for any name the table does not know.
int displayTextId(const QString& fileName);

// Qt's translation file for a language file, with a leading "/" ("/qt_de.qm");
// "/qt_en.qm" for every name the table does not know.
QString qtTranslationFile(const QString& fileName);

// Every language file name the tables know, for checks and tests.
QStringList knownLanguageFiles();

} // namespace LanguageTables
