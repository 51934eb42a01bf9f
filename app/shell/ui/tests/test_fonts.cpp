// The application font by customer edition.
#include "shell/ui/FontManager.h"

#include <QFont>
#include <gtest/gtest.h>

TEST(FontManager, Edition57UsesItsOwnOpenSansFaces)
{
    FontManager fonts(57);
    const auto families = fonts.families();
    ASSERT_TRUE(families.contains(50));
    EXPECT_TRUE(families.value(50).startsWith(QStringLiteral("Open Sans")))
        << families.value(50).toStdString();
    EXPECT_TRUE(families.value(57).startsWith(QStringLiteral("Open Sans")));
    EXPECT_TRUE(families.value(75).startsWith(QStringLiteral("Open Sans")));
    EXPECT_EQ(fonts.font().family(), families.value(50));
    EXPECT_EQ(fonts.font().hintingPreference(), QFont::PreferNoHinting);
}

TEST(FontManager, OtherEditionsUseArial)
{
    for (int edition : { 0, 56, 58, 65, 99 }) {
        SCOPED_TRACE(edition);
        FontManager fonts(edition);
        EXPECT_EQ(fonts.families().size(), 1);
        EXPECT_EQ(fonts.font().family(), QStringLiteral("Arial"));
        EXPECT_EQ(fonts.font().hintingPreference(), QFont::PreferNoHinting);
        EXPECT_EQ(fonts.font().pointSizeF(), QFont().pointSizeF()); // size stays Qt's default
    }
}
