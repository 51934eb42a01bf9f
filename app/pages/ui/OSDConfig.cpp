#include "pages/ui/OSDConfig.h"

#include "shell/ui/PagePlaceholder.h"

#include <QSlider>

OSDConfig::OSDConfig(QWidget* parent)
    : PageBase(parent)
{
    setObjectName(QStringLiteral("OSDConfig"));
    new PagePlaceholder(this, ToolBarButton::OSD, "osd",
        QStringLiteral(
            "Sets the on-screen texts of the checked cameras: channel name, date and their positions."));

    // The position sliders exist before the form that will place them: the
    // main window keeps them from its construction on.
    const auto slider = [this](const char* name, int maximum) {
        auto* s = new QSlider(Qt::Horizontal, this);
        s->setObjectName(QLatin1String(name));
        s->setRange(0, maximum);
        s->hide();
        return s;
    };
    m_SldX = slider("m_SldX", kMaxX);
    m_SldY = slider("m_SldY", kMaxY);
    m_SldDateX = slider("m_SldDateX", kMaxX);
    m_SldDateY = slider("m_SldDateY", kMaxY);
}

QAbstractSlider* OSDConfig::sliderX() const
{
    return m_SldX;
}

QAbstractSlider* OSDConfig::sliderY() const
{
    return m_SldY;
}

QAbstractSlider* OSDConfig::sliderDateX() const
{
    return m_SldDateX;
}

QAbstractSlider* OSDConfig::sliderDateY() const
{
    return m_SldDateY;
}

// The work list and its table arrive with the page's form.
void OSDConfig::removeWorkDevice(DeviceInfo*, bool)
{
}
