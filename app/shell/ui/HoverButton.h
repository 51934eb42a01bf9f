#pragma once
// A checkable tool-bar button that stands for three pages at once. While it
// is the current page button, pointing at it opens a frameless pop-up
// (HoverDialog) with the three choices right below it; moving the pointer
// from the button into the pop-up keeps the pop-up open, leaving elsewhere
// hides it and reports whether a choice is checked. GUI thread only.
#include <QPushButton>

class HoverDialog;

class HoverButton : public QPushButton
{
    Q_OBJECT

public:
    explicit HoverButton(QWidget* parent = nullptr);

    // 0 when the button is unchecked or disabled; otherwise the pop-up's
    // checked choice (0 to 2) or -1 without one.
    int currentChoice() const;
    // With `keep` false and the button checked and enabled: checks the
    // pop-up's first choice.
    void restoreChoice(bool keep);
    // With `keep` false: the pop-up loses its checked choice.
    void resetChoices(bool keep);
    // Opens the pop-up centred under the button when the button is checked
    // and enabled (what pointing at the button does).
    void showPopup();
    HoverDialog* popup() const { return m_popup; }

    static constexpr int kPopupWidth = 360;
    static constexpr int kPopupHeight = 50;

signals:
    void ClickHoverFirstRequest();
    void ClickHoverSecondRequest();
    void ClickHoverThirdRequest();
    void HoverHasClickedBtn(bool chosen);

protected:
    // `event` may be null: the tool bar opens the pop-up after a click.
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    HoverDialog* m_popup = nullptr;
};
