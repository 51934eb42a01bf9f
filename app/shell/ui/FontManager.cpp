#include "shell/ui/FontManager.h"

#include "shell/GKAppSetting.h"
#include "shell/ProcessSingleton.h"
#include "shell/edition/EditionProfile.h"

#include <QDebug>
#include <QFontDatabase>
#include <QStringList>

// The fonts are compiled into the static library; its resources must be
// registered by name before first use.
static void initFontResources()
{
    Q_INIT_RESOURCE(dorvex_fonts);
}

namespace
{

constexpr int kNormal = 50;
constexpr int kMedium = 57;
constexpr int kBold = 75;

ProcessSingleton<FontManager> g_fonts;

// Registers one font file and returns its first family, or an empty text when
// the file is missing or not a font.
QString registerFont(const QString& resource)
{
    const int id = QFontDatabase::addApplicationFont(resource);
    if (id < 0)
        return {};
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

} // namespace

FontManager* FontManager::instance()
{
    return g_fonts.get([] { return new FontManager(GKAppSetting::instance()->customerId()); });
}

FontManager::FontManager(int customerId)
{
    if (EditionProfile::of(customerId).ownFonts) {
        initFontResources();
        const struct {
            const char* resource;
            int weight;
        } own[] = {
            { ":/font/Resource/font/OpenSans-Medium.ttf", kMedium },
            { ":/font/Resource/font/OpenSans-Regular.ttf", kNormal },
            { ":/font/Resource/font/OpenSans-Bold.ttf", kBold },
        };
        for (const auto& f : own) {
            const QString family = registerFont(QLatin1String(f.resource));
            if (family.isEmpty())
                qWarning() << "FontManager: cannot register" << f.resource;
            else
                m_families.insert(f.weight, family);
        }
        // A missing regular face falls back to another face of the family,
        // and with none at all to the font of the other editions.
        if (!m_families.contains(kNormal) && !m_families.isEmpty())
            m_families.insert(kNormal, m_families.first());
    }
    if (!m_families.contains(kNormal))
        m_families.insert(kNormal, QStringLiteral("Arial"));
    m_font.setFamily(m_families.value(kNormal));
    m_font.setHintingPreference(QFont::PreferNoHinting);
}
