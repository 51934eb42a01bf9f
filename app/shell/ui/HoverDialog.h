#pragma once
// The frameless pop-up of a HoverButton: three checkable page choices in a
// row (configuration, stream, OSD). It is only hidden and shown, never
// rebuilt, so its checked choice survives hiding until the tool bar clears it.
// GUI thread only.
#include <QDialog>

class HoverButton;
class QButtonGroup;
class QHBoxLayout;
class QPushButton;

class HoverDialog : public QDialog
{
    Q_OBJECT

public:
    explicit HoverDialog(HoverButton* parent);

    // 0, 1 or 2 for the checked choice; -1 when none is checked.
    int choiceIndex() const;
    // Unchecks all three choices.
    void resetChoices();
    // Checks choice `index` (0 to 2) without emitting anything.
    void checkChoice(int index);
    // The choice buttons (0 to 2); null for any other index.
    QPushButton* choiceButton(int index) const;
    // Fetches the three texts again from the language table.
    void retranslate();

signals:
    void HoverFirstRequest();
    void HoverSecondRequest();
    void HoverThirdRequest();
    // Sent when the pointer leaves the pop-up (which then hides): true when a
    // choice is checked.
    void ClickedAnyBtn(bool chosen);

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* m_layout = nullptr;
    QPushButton* m_pBtnFirst = nullptr;
    QPushButton* m_pBtnSecond = nullptr;
    QPushButton* m_pBtnThird = nullptr;
    QButtonGroup* m_group = nullptr;
};
