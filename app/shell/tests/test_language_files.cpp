// The shipped data files: every language file holds every text the program
// asks for, and the shipped settings file lists exactly the shipped languages.
#include "ShellTestEnv.h"
#include "shell/LanguageTables.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace
{

// The program asks for texts 0 to 329.
constexpr int kTextCount = 330;

QString sourceDir()
{
    const QString fromEnv = qEnvironmentVariable("VL_SOURCE_DIR");
    return fromEnv.isEmpty() ? QStringLiteral(VL_TEST_SOURCE_DIR) : fromEnv;
}

QString shippedLanguageDir()
{
    return sourceDir() + QStringLiteral("/app/resources/Language");
}

QStringList shippedLanguageFiles()
{
    return QDir(shippedLanguageDir())
        .entryList(QStringList { QStringLiteral("*.xml") }, QDir::Files, QDir::Name);
}

// The text numbers that program code asks for with a literal number.
QSet<int> textNumbersUsedByTheCode()
{
    QSet<int> used;
    const QRegularExpression call(QStringLiteral("TextTable::text\\(\\s*(\\d+)\\s*\\)"));
    QDirIterator it(sourceDir() + QStringLiteral("/app"), QStringList { "*.cpp", "*.h" }, QDir::Files,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/tests/")))
            continue; // tests may ask for numbers beyond the table on purpose
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QString code = QString::fromUtf8(f.readAll());
        auto m = call.globalMatch(code);
        while (m.hasNext())
            used.insert(m.next().captured(1).toInt());
    }
    return used;
}

} // namespace

TEST(LanguageFiles, EveryShippedFileHoldsAllTextsInOrder)
{
    const QStringList files = shippedLanguageFiles();
    ASSERT_TRUE(files.contains(QStringLiteral("ENU.xml")));
    ASSERT_TRUE(files.contains(QStringLiteral("CHS.xml")));
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QString path = shippedLanguageDir() + '/' + name;
        ASSERT_TRUE(TextTable::load(path));
        ASSERT_GE(TextTable::count(), kTextCount);
        for (int id = 0; id < kTextCount; ++id)
            EXPECT_FALSE(TextTable::text(id).trimmed().isEmpty()) << "text " << id;

        // The id attributes, kept for people, agree with the positions, and
        // the file parses to its end.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        int position = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("string")) {
                EXPECT_EQ(xml.attributes().value(QLatin1String("id")).toInt(), position);
                ++position;
            }
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_EQ(position, TextTable::count());
        TextTable::free();
    }
}

TEST(LanguageFiles, PlaceMarkersMatchAcrossLanguages)
{
    // Texts that get a number filled in keep their "%1" in every language.
    const QRegularExpression marker(QStringLiteral("%\\d"));
    QVector<QStringList> markers;
    for (const QString& name : shippedLanguageFiles()) {
        ASSERT_TRUE(TextTable::load(shippedLanguageDir() + '/' + name));
        QStringList perText;
        for (int id = 0; id < kTextCount; ++id) {
            QStringList found;
            auto m = marker.globalMatch(TextTable::text(id));
            while (m.hasNext())
                found << m.next().captured(0);
            perText << found.join(',');
        }
        markers << perText;
        TextTable::free();
    }
    for (int i = 1; i < markers.size(); ++i)
        EXPECT_EQ(markers.at(i), markers.at(0));
    ASSERT_FALSE(markers.isEmpty());
    for (int id : { 315, 324, 328 })
        EXPECT_EQ(markers.at(0).at(id), QStringLiteral("%1")) << id;
}

TEST(LanguageFiles, EveryTextTheCodeUsesExistsInEveryShippedFile)
{
    QSet<int> used = textNumbersUsedByTheCode();
    // The language menu names its entries with these numbers.
    for (const QString& f : LanguageTables::knownLanguageFiles())
        used.insert(LanguageTables::displayTextId(f));
    for (const QString& name : shippedLanguageFiles()) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(TextTable::load(shippedLanguageDir() + '/' + name));
        for (int id : qAsConst(used)) {
            EXPECT_LT(id, TextTable::count());
            EXPECT_FALSE(TextTable::text(id).isEmpty()) << "text " << id;
        }
        TextTable::free();
    }
}

TEST(LanguageFiles, TheShippedSettingsFileListsTheShippedLanguages)
{
    QFile f(sourceDir() + QStringLiteral("/app/resources/config.xml"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    // The saver patches these in place: without them it saves nothing.
    EXPECT_TRUE(text.contains("cursel=\""));
    EXPECT_TRUE(text.contains("curpro=\""));
    ASSERT_TRUE(text.contains("</Version>"));
    EXPECT_GT(text.indexOf("<Protocol"), text.indexOf("</Version>"));
    EXPECT_LT(text.indexOf("<Company>"), text.indexOf("</Config>"));

    QStringList listed;
    QXmlStreamReader xml(text);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement
            && xml.attributes().hasAttribute(QLatin1String("name")))
            listed << xml.attributes().value(QLatin1String("name")).toString();
    }
    ASSERT_FALSE(xml.hasError());
    EXPECT_EQ(listed, (QStringList { "ENU.xml", "CHS.xml" }));
    for (const QString& name : listed)
        EXPECT_TRUE(shippedLanguageFiles().contains(name)) << name.toStdString();
}

TEST(LanguageFiles, TheBuildCopiesTheDataFilesBesideTheProgram)
{
    const QString bin = ShellTestEnv::programDir();
    for (const QString& rel : { QStringLiteral("config.xml"), QStringLiteral("Language/ENU.xml"),
             QStringLiteral("Language/CHS.xml") }) {
        QFile shipped(sourceDir() + QStringLiteral("/app/resources/") + rel);
        QFile copy(bin + '/' + rel);
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << rel.toStdString();
        EXPECT_EQ(copy.readAll(), shipped.readAll()) << rel.toStdString();
    }
    // Qt's own translations of every language that has a language file here.
    for (const QString& qm : { QStringLiteral("qt_zh_CN.qm"), QStringLiteral("qtbase_zh_CN.qm"),
             QStringLiteral("qt_de.qm"), QStringLiteral("qtbase_de.qm") })
        EXPECT_TRUE(QFile::exists(bin + QStringLiteral("/translations/") + qm)) << qm.toStdString();
}

TEST(LanguageTables, NamesAndQtTranslations)
{
    EXPECT_EQ(LanguageTables::displayTextId(QStringLiteral("CHS.xml")), 93);
    EXPECT_EQ(LanguageTables::displayTextId(QStringLiteral("SWE.xml")), 311);
    EXPECT_EQ(LanguageTables::displayTextId(QStringLiteral("unknown.xml")), 89);
    EXPECT_EQ(LanguageTables::displayTextId(QStringLiteral("ENU_DORVEX.xml")), 89);
    EXPECT_EQ(LanguageTables::displayTextId(QStringLiteral("RUS_DORVEX.xml")), 91);
    EXPECT_EQ(LanguageTables::qtTranslationFile(QStringLiteral("CHS.xml")), QStringLiteral("/qt_zh_CN.qm"));
    EXPECT_EQ(LanguageTables::qtTranslationFile(QStringLiteral("GER.xml")), QStringLiteral("/qt_de.qm"));
    EXPECT_EQ(LanguageTables::qtTranslationFile(QStringLiteral("GER_61.xml")), QStringLiteral("/qt_en.qm"));
    EXPECT_EQ(LanguageTables::qtTranslationFile(QStringLiteral("KR_53.xml")), QStringLiteral("/qt_en.qm"));
    EXPECT_EQ(LanguageTables::qtTranslationFile(QStringLiteral("KOR_20.xml")), QStringLiteral("/qt_ko.qm"));
    EXPECT_EQ(LanguageTables::qtTranslationFile(QStringLiteral("ENU.xml")), QStringLiteral("/qt_en.qm"));

    // Counts of edition files per language, as the menu names them.
    QMap<int, int> perText;
    for (const QString& f : LanguageTables::knownLanguageFiles())
        ++perText[LanguageTables::displayTextId(f)];
    EXPECT_EQ(perText.value(89), 16); // ENU.xml and fifteen English edition files
    EXPECT_EQ(perText.value(91), 10);
    EXPECT_EQ(perText.value(94), 6);
    EXPECT_EQ(perText.value(170), 2);
    EXPECT_EQ(perText.value(310), 2);

    // Every file an edition offers is known to the tables.
    const QStringList known = LanguageTables::knownLanguageFiles();
    for (int edition = 0; edition <= 67; ++edition)
        for (const QString& f : EditionProfile::of(edition).languageFiles)
            EXPECT_TRUE(known.contains(f)) << edition << " " << f.toStdString();
    EXPECT_EQ(EditionProfile::of(42).languageFiles, (QStringList { "KOR_20.xml", "ENU_20.xml" }));
    EXPECT_EQ(EditionProfile::of(65).languageFiles, (QStringList { "SWE.xml", "ENU.xml", "CHS.xml" }));
    EXPECT_EQ(EditionProfile::of(66).languageFiles, QStringList { "ENU.xml" });
}
