// The language table: reading, keeping texts on a failed reload, and reads
// from other threads while the table is reloaded.
#include "shell/TextTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{

class TextTableTest : public testing::Test
{
protected:
    void TearDown() override { TextTable::free(); }

    QString write(const QString& name, const QByteArray& xml)
    {
        const QString path = m_dir.path() + '/' + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(xml);
        return path;
    }

    // A file of `n` texts "<prefix><i>".
    QString numbered(const QString& name, const QByteArray& prefix, int n)
    {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language>\n";
        for (int i = 0; i < n; ++i)
            xml += "  <string>" + prefix + QByteArray::number(i) + "</string>\n";
        return write(name, xml + "</language>\n");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TextTableTest, StringElementsInDocumentOrder)
{
    const QString path = write("a.xml",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<language><!-- 0 --><string>Zero</string><group><other>x</other>"
        "<string id=\"1\">Eins &amp; zwei</string></group>"
        "<string>%1 s</string><string></string></language>");
    ASSERT_TRUE(TextTable::load(path));
    EXPECT_EQ(TextTable::count(), 4);
    EXPECT_EQ(TextTable::text(0), QStringLiteral("Zero"));
    EXPECT_EQ(TextTable::text(1), QStringLiteral("Eins & zwei"));
    EXPECT_EQ(TextTable::text(2), QStringLiteral("%1 s"));
    EXPECT_EQ(TextTable::text(3), QString());
    EXPECT_EQ(TextTable::text(4), QString()); // beyond the table
    EXPECT_EQ(TextTable::text(-1), QString());
}

TEST_F(TextTableTest, AnXmlErrorKeepsTheTextsBeforeIt)
{
    const QString path = write("broken.xml",
        "<language><string>a</string><string>b</string><string>c</oops>"
        "<string>d</string></language>");
    EXPECT_TRUE(TextTable::load(path));
    EXPECT_EQ(TextTable::count(), 2);
    EXPECT_EQ(TextTable::text(1), QStringLiteral("b"));
}

TEST_F(TextTableTest, UnreadableFiles)
{
    EXPECT_FALSE(TextTable::load(m_dir.path() + "/missing.xml"));
    EXPECT_EQ(TextTable::count(), 0);
    EXPECT_EQ(TextTable::text(0), QString());

    ASSERT_TRUE(TextTable::load(numbered("en.xml", "en", 3)));
    EXPECT_FALSE(TextTable::reload(m_dir.path() + "/missing.xml"));
    EXPECT_EQ(TextTable::text(2), QStringLiteral("en2")); // the previous language stays

    ASSERT_TRUE(TextTable::reload(numbered("de.xml", "de", 2)));
    EXPECT_EQ(TextTable::text(1), QStringLiteral("de1"));
    EXPECT_EQ(TextTable::text(2), QString());

    TextTable::free();
    EXPECT_EQ(TextTable::text(0), QString());
    EXPECT_EQ(TextTable::count(), 0);
    TextTable::free(); // a second free is harmless
}

TEST_F(TextTableTest, ReadersOnOtherThreadsSeeWholeTablesDuringReloads)
{
    constexpr int kTexts = 330;
    const QString en = numbered("en.xml", "en", kTexts);
    const QString de = numbered("de.xml", "de", kTexts);
    ASSERT_TRUE(TextTable::load(en));

    std::atomic<bool> stop { false };
    std::atomic<int> bad { 0 };
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            int id = t;
            while (!stop.load()) {
                const QString s = TextTable::text(id);
                const QString n = QString::number(id);
                if (s != QStringLiteral("en") + n && s != QStringLiteral("de") + n)
                    ++bad;
                id = (id + 7) % kTexts;
            }
        });
    }
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(TextTable::reload(i % 2 ? en : de));
    stop = true;
    for (auto& r : readers)
        r.join();
    EXPECT_EQ(bad.load(), 0);
}
