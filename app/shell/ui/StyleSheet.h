#pragma once
// The application style sheet and the shell's compiled-in pictures.
//
// The style sheet is a set of files under the resource folder ":/style/"
// (style/*.qss in app/resources, from any of the program's resource files),
// joined in name order: "00-base.qss" before "10-dialogs.qss" before
// "30-toolbar.qss". A part that selects by object name ("DialogFrame",
// "TitleBarFrame", "closebutton", ...) lives beside the widgets it styles.
#include <QString>
#include <QStringList>

// Registers the shell's resources (icons, style-sheet parts). The resources
// live in a static library, whose resource data only registers when named;
// every widget of the shell that shows a picture calls this. Idempotent.
void initShellResources();

// The names of the style-sheet parts, in the order they are joined.
QStringList styleSheetParts();

// The whole application style sheet; empty when no part is there (the
// program then runs with Qt's plain look).
QString loadStyleSheet();
