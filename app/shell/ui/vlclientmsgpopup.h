#pragma once
// The program's pop-up notice: a small window that slides up in the
// bottom-right corner of the screen under the mouse pointer, stays a few
// seconds, fades out during its last second and closes by itself. Pages use
// it for results that need no answer. There is one for the whole program; a
// new message replaces the one on screen. While the pointer rests on it the
// notice stays; leaving it starts a full countdown again.
//
//   vlclientmsgpopup::instance()->showMessage(TextTable::text(42), 6);
//
// Timer and animation lengths come from Clock, so tests run the six-second
// flow in milliseconds. GUI thread only.
#include <QDialog>
#include <QList>
#include <QMargins>
#include <QRect>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPropertyAnimation;
class QTimer;
class QToolButton;
class QVBoxLayout;

class vlclientmsgpopup : public QDialog
{
    Q_OBJECT

public:
    // The one pop-up, made without parent on the first call and never
    // deleted. GUI thread only.
    static vlclientmsgpopup* instance();

    // A pop-up of its own (tests; the program uses instance()).
    explicit vlclientmsgpopup(QWidget* parent = nullptr);

    // Shows `text` for `seconds` seconds; the last second is the fade. With 0
    // or 1 the notice stays until its close button is pressed. An empty text
    // is ignored (a notice on screen stays as it is).
    void showMessage(QString text, quint8 seconds);

    // Where the notice goes: the first of `availableAreas` that holds
    // `cursor`, else `primaryArea`; with no screen at all, 0,0 1920 x 1080.
    static QRect screenArea(
        const QList<QRect>& availableAreas, const QRect& primaryArea, const QPoint& cursor);
    // The slide-in: from just below the bottom row of `area` up by the
    // pop-up's height, 1 pixel left of the area's right edge.
    static QRect slideStart(const QRect& area, const QSize& size);
    static QRect slideEnd(const QRect& area, const QSize& size);

    // For tests and diagnostics.
    quint8 ticks() const { return m_ticks; }
    quint8 displaySeconds() const { return m_displaySeconds; }
    bool isCounting() const;
    bool isFading() const;
    bool isSliding() const;
    QLabel* textLabel() const { return m_LabText; }
    QLabel* titleLabel() const { return m_labelTitle; }
    QToolButton* closeButton() const { return m_pBtnClose; }

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private slots:
    void onTick();

private:
    void buildWidgets();
    void stopCountdownAndFade();
    void startCountdown();

    // Widget tree.
    QVBoxLayout* m_ShadowLayout = nullptr;
    QWidget* m_DialogWidget = nullptr;
    QVBoxLayout* m_DialogLayout = nullptr;
    QFrame* m_frame = nullptr;
    QHBoxLayout* m_TextLayout_2 = nullptr;
    QLabel* m_labelTitle = nullptr;
    QToolButton* m_pBtnClose = nullptr;
    QHBoxLayout* horizontalLayout = nullptr;
    QHBoxLayout* m_TextLayout = nullptr;
    QLabel* m_LabText = nullptr;
    QHBoxLayout* horizontalLayout_2 = nullptr;

    quint8 m_ticks = 0; // seconds counted since the countdown (re)started
    quint8 m_displaySeconds = 6; // the last second is the fade
    QTimer* m_pTimer = nullptr; // one tick per second
    QPropertyAnimation* m_pSlide = nullptr; // "geometry", the slide-in
    QPropertyAnimation* m_pFade = nullptr; // "windowOpacity", 1 to 0
    QMargins m_shadowMargins { 8, 8, 0, 0 };
    double m_radius = 8.0;
    bool m_shadow = true;
};
