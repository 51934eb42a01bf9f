#include "shell/LanguageTables.h"

#include <QVector>
#include <algorithm>

namespace
{

// Language-table numbers of the language names.
enum : int {
    kEnglish = 89,
    kGerman = 90,
    kRussian = 91,
    kTraditionalChinese = 92,
    kSimplifiedChinese = 93,
    kKorean = 94,
    kTurkish = 135,
    kJapanese = 157,
    kPortuguese = 170,
    kFrench = 286,
    kItalian = 287,
    kPolish = 309,
    kPersian = 310,
    kSwedish = 311,
};

// Edition files (which edition offers which: EditionProfile). KR_00.xml is a
// Korean file that no edition offers yet.
const char* const kEnglishFiles[] = { "ENU_07.xml", "ENU_08.xml", "ENU_10.xml", "ENU_12.xml", "ENU_14.xml",
    "ENU_16.xml", "ENU_17.xml", "ENU_20.xml", "ENU_34.xml", "ENU_35.xml", "ENU_53.xml", "ENU_55.xml",
    "ENU_57.xml", "ENU_60.xml", "ENU_DORVEX.xml" };
const char* const kRussianFiles[] = { "RUS_04.xml", "RUS_05.xml", "RUS_06.xml", "RUS_11.xml", "RUS_15.xml",
    "RUS_29.xml", "RUS_32.xml", "RUS_55.xml", "RUS_56.xml", "RUS_DORVEX.xml" };
// KR_53.xml is the one Korean file whose edition keeps Qt's English texts.
const char* const kKoreanFiles[]
    = { "KOR_18.xml", "KOR_19.xml", "KOR_20.xml", "KR_34.xml", "KR_53.xml", "KR_00.xml" };

struct NameEntry {
    QString file;
    int textId;
    QString qtFile;
};

QVector<NameEntry> buildNameTable()
{
    const QString en = QStringLiteral("/qt_en.qm");
    QVector<NameEntry> t;
    t.append({ QStringLiteral("ENU.xml"), kEnglish, en });
    for (const char* f : kEnglishFiles)
        t.append({ QLatin1String(f), kEnglish, en });
    t.append({ QStringLiteral("GER.xml"), kGerman, QStringLiteral("/qt_de.qm") });
    t.append({ QStringLiteral("GER_61.xml"), kGerman, en });
    for (const char* f : kRussianFiles)
        t.append({ QLatin1String(f), kRussian, QStringLiteral("/qt_ru.qm") });
    t.append({ QStringLiteral("CHT.xml"), kTraditionalChinese, QStringLiteral("/qt_zh_TW.qm") });
    t.append({ QStringLiteral("CHS.xml"), kSimplifiedChinese, QStringLiteral("/qt_zh_CN.qm") });
    for (const char* f : kKoreanFiles) {
        const QString name = QLatin1String(f);
        t.append({ name, kKorean, name == QLatin1String("KR_53.xml") ? en : QStringLiteral("/qt_ko.qm") });
    }
    t.append({ QStringLiteral("TUR_23.xml"), kTurkish, en });
    t.append({ QStringLiteral("JAPAN_20.xml"), kJapanese, QStringLiteral("/qt_ja.qm") });
    t.append({ QStringLiteral("PORT_35.xml"), kPortuguese, en });
    t.append({ QStringLiteral("PORT_45.xml"), kPortuguese, en });
    t.append({ QStringLiteral("FRENCH_54.xml"), kFrench, QStringLiteral("/qt_fr.qm") });
    t.append({ QStringLiteral("ITALIAN_54.xml"), kItalian, QStringLiteral("/qt_it.qm") });
    t.append({ QStringLiteral("POLISH.xml"), kPolish, en });
    t.append({ QStringLiteral("PERSION_63.xml"), kPersian, en });
    t.append({ QStringLiteral("PERSION_64.xml"), kPersian, en });
    t.append({ QStringLiteral("SWE.xml"), kSwedish, en });
    return t;
}

const QVector<NameEntry>& nameTable()
{
    static const QVector<NameEntry> table = buildNameTable();
    return table;
}

const NameEntry* findName(const QString& fileName)
{
    const auto& t = nameTable();
    auto it = std::find_if(t.begin(), t.end(), [&](const NameEntry& e) { return e.file == fileName; });
    return it == t.end() ? nullptr : &*it;
}

} // namespace

namespace LanguageTables
{

int displayTextId(const QString& fileName)
{
    const NameEntry* e = findName(fileName);
    return e ? e->textId : kEnglish;
}

QString qtTranslationFile(const QString& fileName)
{
    const NameEntry* e = findName(fileName);
    return e ? e->qtFile : QStringLiteral("/qt_en.qm");
}

QStringList knownLanguageFiles()
{
    QStringList out;
    for (const auto& e : nameTable())
        out << e.file;
    return out;
}

} // namespace LanguageTables
