#include "shell/ui/vlclientmsgpopup.h"

#include "shell/Clock.h"
#include "shell/TextTable.h"

#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QSpacerItem>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace
{

constexpr int kTitleText = 110; // "Message"
constexpr int kTickMs = 1000;
constexpr int kSlideMs = 200;
constexpr int kFadeMs = 1000;
constexpr int kShadowRings = 8;

QSpacerItem* hSpacer(int w, int h)
{
    return new QSpacerItem(w, h, QSizePolicy::Expanding, QSizePolicy::Minimum);
}
QSpacerItem* vSpacer(int w, int h)
{
    return new QSpacerItem(w, h, QSizePolicy::Minimum, QSizePolicy::Expanding);
}

} // namespace

vlclientmsgpopup* vlclientmsgpopup::instance()
{
    static vlclientmsgpopup* popup = new vlclientmsgpopup;
    return popup;
}

vlclientmsgpopup::vlclientmsgpopup(QWidget* parent)
    : QDialog(parent)
{
    buildWidgets();
    setFixedSize(320, 240);

    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kTickMs);

    m_LabText->setFont([this] {
        QFont f = m_LabText->font();
        f.setPointSize(11);
        return f;
    }());
    m_LabText->setFixedWidth(280);
    m_LabText->setAlignment(Qt::AlignCenter);
    m_LabText->setWordWrap(true);
    m_LabText->setTextInteractionFlags(
        Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    m_labelTitle->setObjectName(QStringLiteral("msgpopuplab"));
    m_labelTitle->setStyleSheet(QStringLiteral("color:white;"));
    m_pBtnClose->setObjectName(QStringLiteral("closebutton"));
    m_pBtnClose->setFixedSize(16, 16);
    m_pBtnClose->setStyleSheet(QStringLiteral("color:black;"));
    m_ShadowLayout->setContentsMargins(m_shadowMargins);

    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(
        Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint | Qt::WindowStaysOnTopHint);
    // A notice must not take the keyboard from the window the user types in,
    // nor keep the program running once the main window is closed.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);

    m_pSlide = new QPropertyAnimation(this, "geometry", this);
    m_pSlide->setDuration(kSlideMs);
    m_pFade = new QPropertyAnimation(this, "windowOpacity", this);
    m_pFade->setDuration(kFadeMs);
    m_pFade->setStartValue(1.0);
    m_pFade->setEndValue(0.0);

    connect(m_pBtnClose, &QToolButton::clicked, this, [this] {
        stopCountdownAndFade();
        close();
    });
    connect(m_pTimer, &QTimer::timeout, this, &vlclientmsgpopup::onTick);
}

void vlclientmsgpopup::buildWidgets()
{
    setObjectName(QStringLiteral("vlclientmsgpopup"));
    setWindowTitle(QStringLiteral("Dialog"));

    m_ShadowLayout = new QVBoxLayout(this);
    m_ShadowLayout->setObjectName(QStringLiteral("m_ShadowLayout"));
    m_ShadowLayout->setSpacing(0);

    m_DialogWidget = new QWidget(this);
    m_DialogWidget->setObjectName(QStringLiteral("m_DialogWidget"));
    // The main window's background rule of the style sheet applies to it.
    m_DialogWidget->setObjectName(QStringLiteral("MainFrame"));
    // Style-sheet backgrounds of a plain QWidget are painted only with this.
    m_DialogWidget->setAttribute(Qt::WA_StyledBackground);
    m_DialogLayout = new QVBoxLayout(m_DialogWidget);
    m_DialogLayout->setObjectName(QStringLiteral("m_DialogLayout"));
    m_DialogLayout->setSpacing(12);
    m_DialogLayout->setContentsMargins(0, 0, 0, 12);

    m_frame = new QFrame(m_DialogWidget);
    m_frame->setObjectName(QStringLiteral("m_frame"));
    m_frame->setObjectName(QStringLiteral("TitleBarFrame"));
    m_TextLayout_2 = new QHBoxLayout(m_frame);
    m_TextLayout_2->setObjectName(QStringLiteral("m_TextLayout_2"));
    m_TextLayout_2->setSpacing(0);
    m_TextLayout_2->setContentsMargins(16, 0, 0, 0);
    m_TextLayout_2->addItem(hSpacer(40, 20));
    m_labelTitle = new QLabel(m_frame);
    m_labelTitle->setObjectName(QStringLiteral("m_labelTitle"));
    m_TextLayout_2->addWidget(m_labelTitle);
    m_TextLayout_2->addItem(hSpacer(40, 0));
    m_pBtnClose = new QToolButton(m_frame);
    m_pBtnClose->setObjectName(QStringLiteral("m_pBtnClose"));
    m_TextLayout_2->addWidget(m_pBtnClose);
    m_DialogLayout->addWidget(m_frame);

    m_DialogLayout->addItem(vSpacer(15, 0));

    horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    horizontalLayout->setSpacing(6);
    horizontalLayout->addItem(hSpacer(40, 20));
    horizontalLayout->addItem(hSpacer(40, 20));
    m_DialogLayout->addLayout(horizontalLayout);

    m_TextLayout = new QHBoxLayout;
    m_TextLayout->setObjectName(QStringLiteral("m_TextLayout"));
    m_TextLayout->setSpacing(6);
    m_TextLayout->addItem(hSpacer(40, 0));
    m_LabText = new QLabel(m_DialogWidget);
    m_LabText->setObjectName(QStringLiteral("m_LabText"));
    m_TextLayout->addWidget(m_LabText);
    m_TextLayout->addItem(hSpacer(40, 0));
    m_DialogLayout->addLayout(m_TextLayout);

    horizontalLayout_2 = new QHBoxLayout;
    horizontalLayout_2->setObjectName(QStringLiteral("horizontalLayout_2"));
    horizontalLayout_2->addItem(hSpacer(40, 20));
    horizontalLayout_2->addItem(hSpacer(40, 20));
    m_DialogLayout->addLayout(horizontalLayout_2);

    m_DialogLayout->addItem(vSpacer(15, 0));

    m_ShadowLayout->addWidget(m_DialogWidget);
}

void vlclientmsgpopup::showMessage(QString text, quint8 seconds)
{
    if (text.isEmpty())
        return;
    m_LabText->clear();
    m_LabText->setText(text);
    m_labelTitle->setText(TextTable::text(kTitleText));
    m_displaySeconds = seconds;
    // Stopped even when hidden: a countdown left running by a notice that was
    // hidden some other way must not close or fade the new one.
    stopCountdownAndFade();
    if (isVisible())
        close();
    if (m_displaySeconds > 1)
        startCountdown();
    setWindowOpacity(1.0);
    show();
}

void vlclientmsgpopup::startCountdown()
{
    m_ticks = 0;
    m_pTimer->start(Clock::instance()->duration(kTickMs));
}

void vlclientmsgpopup::stopCountdownAndFade()
{
    if (m_pTimer->isActive())
        m_pTimer->stop();
    if (m_pFade->state() == QAbstractAnimation::Running)
        m_pFade->stop();
}

void vlclientmsgpopup::onTick()
{
    ++m_ticks;
    if (m_ticks == m_displaySeconds - 1) {
        m_pFade->setDuration(Clock::instance()->duration(kFadeMs));
        m_pFade->start();
    } else if (m_ticks == m_displaySeconds) {
        stopCountdownAndFade();
        close();
    }
}

bool vlclientmsgpopup::isCounting() const
{
    return m_pTimer->isActive();
}
bool vlclientmsgpopup::isFading() const
{
    return m_pFade->state() == QAbstractAnimation::Running;
}
bool vlclientmsgpopup::isSliding() const
{
    return m_pSlide->state() == QAbstractAnimation::Running;
}

QRect vlclientmsgpopup::screenArea(
    const QList<QRect>& availableAreas, const QRect& primaryArea, const QPoint& cursor)
{
    for (const QRect& area : availableAreas) {
        if (area.contains(cursor))
            return area;
    }
    if (availableAreas.isEmpty())
        return QRect(0, 0, 1920, 1080);
    return primaryArea;
}

QRect vlclientmsgpopup::slideStart(const QRect& area, const QSize& size)
{
    const int x = area.x() + area.width() - size.width() - 1;
    return QRect(x, area.bottom(), size.width(), size.height());
}

QRect vlclientmsgpopup::slideEnd(const QRect& area, const QSize& size)
{
    const int x = area.x() + area.width() - size.width() - 1;
    return QRect(x, area.bottom() - size.height(), size.width(), size.height());
}

void vlclientmsgpopup::showEvent(QShowEvent* event)
{
    QList<QRect> areas;
    const auto screens = QGuiApplication::screens();
    for (const QScreen* screen : screens)
        areas.append(screen->availableGeometry());
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QRect area
        = screenArea(areas, primary ? primary->availableGeometry() : QRect(0, 0, 1920, 1080), QCursor::pos());

    // The animation object is reused for every showing.
    m_pSlide->stop();
    m_pSlide->setDuration(Clock::instance()->duration(kSlideMs));
    m_pSlide->setStartValue(slideStart(area, size()));
    m_pSlide->setEndValue(slideEnd(area, size()));
    m_pSlide->start();
    QDialog::showEvent(event);
}

void vlclientmsgpopup::hideEvent(QHideEvent* event)
{
    // Hidden by any means (close button, Escape, a new message): nothing may
    // go on ticking for a notice that is gone.
    stopCountdownAndFade();
    QDialog::hideEvent(event);
}

void vlclientmsgpopup::enterEvent(QEvent* event)
{
    stopCountdownAndFade();
    setWindowOpacity(1.0);
    activateWindow();
    QDialog::enterEvent(event);
}

void vlclientmsgpopup::leaveEvent(QEvent* event)
{
    // Qt also reports a leave when the notice hides under the pointer; that
    // must not start a countdown for a notice that is gone.
    if (m_displaySeconds > 1 && isVisible())
        startCountdown();
    QDialog::leaveEvent(event);
}

void vlclientmsgpopup::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (!m_shadow)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setBrush(Qt::NoBrush);
    // Rings fading outwards: alphas 120, 70, 49, 33, 20, 8, 0, 0.
    for (int i = 0; i < kShadowRings; ++i) {
        const int offset = kShadowRings - i;
        const int alpha = std::max(0, static_cast<int>(120 - 50 * std::sqrt(static_cast<double>(i))));
        painter.setPen(QColor(150, 150, 150, alpha));
        painter.drawRoundedRect(QRect(offset, offset, width(), height()), m_radius, m_radius);
    }
}
