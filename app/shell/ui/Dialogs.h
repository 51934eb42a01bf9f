#pragma once
// The one way the program shows a message box, a file dialog or any other
// modal BaseDialog, so that tests can answer them without a modal loop.
//
// In the program no hook is set and the real dialogs show:
//
//   if (Dialogs::message(this, 50) != ResultOk) return;      // warning, OK only, title text 6
//   if (Dialogs::message(this, 71, GKMessageBox::OkCancel, GKMessageBox::InformationIcon) != ResultOk)
//       return;                                              // a confirmation
//   Dialogs::messageText(this, TextTable::text(20) + ip);   // a composed text
//   const QString path = Dialogs::getOpenFileName(this, TextTable::text(53), QString(), filter);
//   InitPwdBox box(this); BaseDialog dialog(&box, TextTable::text(154), this);
//   if (Dialogs::exec(dialog) == ResultOk) ...
//
// A test sets a hook (or uses DialogAnswers from the shell's test support),
// which sees what would have been shown and gives the answer:
//
//   Dialogs::setMessageHook([&](const Dialogs::MessageRequest& r) { seen.push_back(r); return ResultOk; });
//
// Hooks are process-wide and GUI-thread only; resetHooks() clears them all.
#include "shell/ui/BaseDialog.h"
#include "shell/ui/GKMessageBox.h"

#include <QFileDialog>
#include <QString>
#include <functional>

namespace Dialogs
{

// The title of a notice, and the title most messages carry.
inline constexpr int kNoticeTitle = 6;

// One message box: a GKMessageBox in a BaseDialog.
struct MessageRequest {
    QWidget* parent = nullptr;
    int textId = -1; // language-table number of the text; -1 for a composed text
    QString text; // the text shown
    int titleId = kNoticeTitle; // language-table number of the title; -1 for `title` as given
    QString title; // the title shown
    int buttonMode = GKMessageBox::OkOnly;
    int iconKind = GKMessageBox::WarningIcon;
    QString dialogStyleSheet; // given to the BaseDialog when not empty
};

// One file dialog.
struct FileRequest {
    enum Kind { OpenFile, SaveFile, ExistingDirectory };
    Kind kind = OpenFile;
    QWidget* parent = nullptr;
    QString caption;
    QString directory;
    QString filter;
    QFileDialog::Options options;
};

// Shows the message modally and returns what the dialog's exec returned:
// 0 for OK, -1 for Cancel or the title bar's close button.
int message(const MessageRequest& request);
// Language-table text `textId` under title `titleId`.
int message(QWidget* parent, int textId, int buttonMode = GKMessageBox::OkOnly,
    int iconKind = GKMessageBox::WarningIcon, int titleId = kNoticeTitle);
// A text made by the caller (a language text with a device's address, say).
int messageText(QWidget* parent, const QString& text, int buttonMode = GKMessageBox::OkOnly,
    int iconKind = GKMessageBox::WarningIcon, int titleId = kNoticeTitle);

// Qt's file dialogs (QFileDialog's static functions); an empty text when the
// user cancels.
QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory = QString(),
    const QString& filter = QString(), QFileDialog::Options options = QFileDialog::Options());
QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory = QString(),
    const QString& filter = QString(), QFileDialog::Options options = QFileDialog::Options());
QString getExistingDirectory(QWidget* parent, const QString& caption, const QString& directory = QString(),
    QFileDialog::Options options = QFileDialog::ShowDirsOnly);
QString getFile(const FileRequest& request);

// Runs a prepared BaseDialog modally (its exec) and returns its result.
int exec(BaseDialog& dialog);

// The hooks. With a message hook set, message() builds no widget and returns
// the hook's answer. Without one, message() builds the real box and runs it
// through exec(), so a dialog hook sees it as well. A dialog hook gets the
// prepared dialog instead of its exec: it may fill in and click the content
// (the dialog's result() then holds what the content reported) and returns
// the result for the caller.
using MessageHook = std::function<int(const MessageRequest&)>;
using FileHook = std::function<QString(const FileRequest&)>;
using DialogHook = std::function<int(BaseDialog&)>;

void setMessageHook(MessageHook hook);
void setFileHook(FileHook hook);
void setDialogHook(DialogHook hook);
void resetHooks();

} // namespace Dialogs
