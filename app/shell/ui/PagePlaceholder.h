#pragma once
// The body of a main-window page whose own form is not built yet: the page's
// name (the text of its tool-bar button, so it follows the language) and one
// line on what the page is for, centred on the page's white panel with the
// button's drawing above them. A page creates one in its constructor; the
// page's real form replaces it.
#include "shell/edition/ToolBarEditions.h"

#include <QFrame>
#include <QString>

class QLabel;

class PagePlaceholder : public QFrame
{
    Q_OBJECT

public:
    // Lays itself out as the whole body of `page` (which must not have a
    // layout yet). `titleButton` names the tool-bar button whose text is the
    // title; `iconName` is a drawing of ":/toolbar/icons/" without ".svg".
    PagePlaceholder(
        QWidget* page, ToolBarButton titleButton, const char* iconName, const QString& description);

    QString title() const;
    QString description() const;

    // Fetches the title again from the language table.
    void retranslate();

protected:
    void customEvent(QEvent* event) override;

private:
    ToolBarButton m_titleButton;
    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_description = nullptr;
};
