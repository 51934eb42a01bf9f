#include "shell/FontManager.h"

#include <QDebug>
#include <QFontDatabase>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <atomic>
#include <memory>

#include "shell/GKAppSetting.h"

// The fonts are compiled into the static library; its resources must be
// registered by name before first use.
static void initFontResources() { Q_INIT_RESOURCE(dorvex_fonts); }

namespace {

constexpr int kOwnFontsEdition = 57;
constexpr int kNormal = 50;
constexpr int kMedium = 57;
constexpr int kBold = 75;

QMutex g_instanceMutex;
std::atomic<FontManager*> g_instance{nullptr};

struct InstanceHolder {
    ~InstanceHolder() { delete g_instance.exchange(nullptr); }
};

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
    FontManager* fonts = g_instance.load(std::memory_order_acquire);
    if (fonts)
        return fonts;
    QMutexLocker lock(&g_instanceMutex);
    fonts = g_instance.load(std::memory_order_relaxed);
    if (!fonts) {
        static InstanceHolder holder; // deletes the manager at process exit
        fonts = new FontManager(GKAppSetting::instance()->customerId());
        g_instance.store(fonts, std::memory_order_release);
    }
    return fonts;
}

FontManager::FontManager(int customerId)
{
    if (customerId == kOwnFontsEdition) {
        initFontResources();
        const struct {
            const char* resource;
            int weight;
        } own[] = {
            {":/font/Resource/font/OpenSans-Medium.ttf", kMedium},
            {":/font/Resource/font/OpenSans-Regular.ttf", kNormal},
            {":/font/Resource/font/OpenSans-Bold.ttf", kBold},
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
