#pragma once
// Chooses the application font from the customer edition: an edition with
// its own fonts (EditionProfile::ownFonts) brings Open Sans, every other
// edition uses Arial (on Linux its metric twin, Liberation Sans, answers to
// that name). Hinting is off for
// every edition, so texts measure the same on every screen.
#include <QFont>
#include <QMap>
#include <QString>

class FontManager
{
public:
    // The process-wide font manager, created on first use from
    // GKAppSetting::customerId(): the first call must come after
    // GKAppSetting::loadConfig and after the QApplication exists.
    static FontManager* instance();

    // A manager for one edition, for tests and callers that know the edition.
    explicit FontManager(int customerId);

    // A copy of the application font.
    QFont font() const { return m_font; }
    // Font family by weight on Qt's scale (50 normal, 57 medium, 75 bold).
    QMap<int, QString> families() const { return m_families; }

    FontManager(const FontManager&) = delete;
    FontManager& operator=(const FontManager&) = delete;

private:
    QFont m_font;
    QMap<int, QString> m_families;
};
