#pragma once
// For tests of anything that shows a message box, a file dialog or another
// BaseDialog through Dialogs (shell/Dialogs.h): records what would have been
// shown and answers it, without a modal loop.
//
//   DialogAnswers answers;                       // every message answered OK (0)
//   answers.queueMessageAnswer(ResultCancel);    // ...except the next one
//   answers.queueFileName("/tmp/x.bin");         // the next file dialog's choice
//   page.onClickStart();
//   EXPECT_EQ(answers.messageTextIds(), QList<int>({50}));
//   EXPECT_EQ(answers.messages.at(0).iconKind, GKMessageBox::WarningIcon);
//
//   answers.onDialog = [](BaseDialog& d) { /* fill in d.content() */ return ResultOk; };
//
// The destructor removes the hooks.
#include "shell/ui/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class DialogAnswers
{
public:
    DialogAnswers()
    {
        Dialogs::setMessageHook([this](const Dialogs::MessageRequest& r) {
            messages.push_back(r);
            return m_messageAnswers.isEmpty() ? defaultMessageAnswer : m_messageAnswers.dequeue();
        });
        Dialogs::setFileHook([this](const Dialogs::FileRequest& r) {
            files.push_back(r);
            return m_fileNames.isEmpty() ? QString() : m_fileNames.dequeue();
        });
        Dialogs::setDialogHook([this](BaseDialog& dialog) {
            dialogTitles.append(dialog.title());
            return onDialog ? onDialog(dialog) : ResultCancel;
        });
    }
    ~DialogAnswers() { Dialogs::resetHooks(); }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    // The answer of the next message box (then the default again).
    void queueMessageAnswer(int answer) { m_messageAnswers.enqueue(answer); }
    // The choice of the next file dialog; without one, an empty text (cancelled).
    void queueFileName(const QString& name) { m_fileNames.enqueue(name); }

    // The text numbers of the messages shown, in order (-1 for composed texts).
    QList<int> messageTextIds() const
    {
        QList<int> ids;
        for (const auto& m : messages)
            ids.append(m.textId);
        return ids;
    }

    int defaultMessageAnswer = ResultOk;
    // Answers every other BaseDialog; without it they are closed (-1).
    std::function<int(BaseDialog&)> onDialog;

    std::vector<Dialogs::MessageRequest> messages;
    std::vector<Dialogs::FileRequest> files;
    QStringList dialogTitles;

private:
    QQueue<int> m_messageAnswers;
    QQueue<QString> m_fileNames;
};
