#pragma once
// For tests of looks that the style sheet gives (the edition variants set as
// Qt properties): puts the program's whole style sheet on the application
// while it lives, as start-up does, and the previous one back afterwards.
//
//   AppStyleSheet sheet;
//   label->ensurePolished();
//   EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::black));
#include "shell/ui/StyleSheet.h"
#include "shell/ui/ToolBarFrame.h"

#include <QApplication>
#include <QString>

class AppStyleSheet
{
public:
    AppStyleSheet()
        : m_previous(qApp->styleSheet())
    {
        ToolBarFrame::initResources(); // the tool bar's part of the sheet
        qApp->setStyleSheet(loadStyleSheet());
    }
    ~AppStyleSheet() { qApp->setStyleSheet(m_previous); }
    AppStyleSheet(const AppStyleSheet&) = delete;
    AppStyleSheet& operator=(const AppStyleSheet&) = delete;

private:
    QString m_previous;
};
