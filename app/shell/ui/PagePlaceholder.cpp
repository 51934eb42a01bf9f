#include "shell/ui/PagePlaceholder.h"

#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/ui/ToolBarFrame.h"

#include <QEvent>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

namespace
{

constexpr int kBadgeSize = 72;
constexpr int kDrawingSize = 34;
const QColor kBadgeColour(0xe6, 0xef, 0xfb);
const QColor kDrawingColour(0x2b, 0x6c, 0xd4);

// The tool bar's one-colour drawing on a round badge; an empty picture when
// the drawing cannot be read (no SVG image plug-in).
QPixmap badge(const char* iconName, qreal scale)
{
    QImageReader reader(QStringLiteral(":/toolbar/icons/%1.svg").arg(QLatin1String(iconName)));
    const int drawing = qRound(kDrawingSize * scale);
    reader.setScaledSize(QSize(drawing, drawing));
    QImage shape = reader.read();
    if (shape.isNull())
        return QPixmap();
    shape = shape.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter tint(&shape);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(shape.rect(), kDrawingColour);
    }
    const int side = qRound(kBadgeSize * scale);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kBadgeColour);
    painter.drawEllipse(image.rect());
    painter.drawImage((side - drawing) / 2, (side - drawing) / 2, shape);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

} // namespace

PagePlaceholder::PagePlaceholder(
    QWidget* page, ToolBarButton titleButton, const char* iconName, const QString& description)
    : QFrame(page)
    , m_titleButton(titleButton)
{
    ToolBarFrame::initResources();
    setObjectName(QStringLiteral("PagePlaceholder"));

    // The gap above the panel keeps it off the tool bar's buttons.
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 8, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addWidget(this);

    m_icon = new QLabel(this);
    m_icon->setObjectName(QStringLiteral("PagePlaceholderIcon"));
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setPixmap(badge(iconName, devicePixelRatioF() > 1.0 ? 2.0 : 1.0));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("PagePlaceholderTitle"));
    m_title->setAlignment(Qt::AlignCenter);
    m_description = new QLabel(description, this);
    m_description->setObjectName(QStringLiteral("PagePlaceholderText"));
    m_description->setAlignment(Qt::AlignCenter);
    m_description->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(0);
    layout->addStretch(4);
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);
    layout->addSpacing(18);
    layout->addWidget(m_title, 0, Qt::AlignHCenter);
    layout->addSpacing(8);
    // Across the whole panel: a wrapped label gets the height of its lines
    // only when the layout gives it the full width.
    layout->addWidget(m_description);
    layout->addStretch(5);

    retranslate();
}

QString PagePlaceholder::title() const
{
    return m_title->text();
}

QString PagePlaceholder::description() const
{
    return m_description->text();
}

void PagePlaceholder::retranslate()
{
    GKAppSetting::instance()->addEventReceiver(this);
    const int edition = GKAppSetting::instance()->customerId();
    m_title->setText(TextTable::text(ToolBarEditions::buttonTexts(edition, m_titleButton).text));
}

void PagePlaceholder::customEvent(QEvent* event)
{
    if (event->type() == LanguageChangedEvent || event->type() == ProtocolChangedEvent)
        retranslate();
}
