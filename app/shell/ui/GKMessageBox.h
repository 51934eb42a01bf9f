#pragma once
// The content of every message, confirmation and the About window: an icon, a
// text and up to two buttons (OK, text 4; Cancel, text 5). Shown inside a
// BaseDialog, whose exec then returns 0 for OK and -1 for Cancel or the title
// bar's close button. Pages use Dialogs::message (shell/Dialogs.h) rather
// than building one by hand, so that tests can answer it.
#include "shell/ui/BaseDialog.h"

#include <QString>

class QLabel;
class QPushButton;

class GKMessageBox : public BaseDialogFrame
{
    Q_OBJECT

public:
    // Button modes; any value other than 0 and 1 shows no buttons.
    enum ButtonMode : int { OkOnly = 0, OkCancel = 1, NoButtons = -1 };
    // Icon kinds; any other value shows no icon.
    enum IconKind : int { InformationIcon = 0, AboutIcon = 1, WarningIcon = 2, NoIcon = -1 };

    // The resource picture of an icon kind; empty for a kind without one.
    static QString iconResource(int iconKind);

    GKMessageBox(const QString& text, QWidget* parent, int buttonMode, int iconKind);
    ~GKMessageBox() override;

    QString text() const { return m_text; }
    int buttonMode() const { return m_buttonMode; }
    int iconKind() const { return m_iconKind; }
    QLabel* iconLabel() const { return m_iconLabel; }
    QLabel* textLabel() const { return m_textLabel; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }
    QWidget* buttonArea() const { return m_buttonArea; }

public slots:
    void OnClickOk();
    void OnClickCancel();

protected:
    void customEvent(QEvent* event) override;

private:
    void retranslate();

    QLabel* m_iconLabel = nullptr;
    QLabel* m_textLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QWidget* m_buttonArea = nullptr;
    QString m_text;
    int m_buttonMode = OkOnly;
    int m_iconKind = InformationIcon;
};
