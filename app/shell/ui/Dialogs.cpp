#include "shell/ui/Dialogs.h"

#include "shell/TextTable.h"

namespace Dialogs
{

namespace
{

MessageHook& messageHook()
{
    static MessageHook hook;
    return hook;
}

FileHook& fileHook()
{
    static FileHook hook;
    return hook;
}

DialogHook& dialogHook()
{
    static DialogHook hook;
    return hook;
}

} // namespace

int message(const MessageRequest& request)
{
    MessageRequest r = request;
    if (r.textId >= 0 && r.text.isEmpty())
        r.text = TextTable::text(r.textId);
    if (r.titleId >= 0 && r.title.isEmpty())
        r.title = TextTable::text(r.titleId);
    // A copy: the hook may replace itself while it runs.
    if (const MessageHook hook = messageHook())
        return hook(r);

    auto* box = new GKMessageBox(r.text, r.parent, r.buttonMode, r.iconKind);
    int result = ResultCancel;
    {
        BaseDialog dialog(box, r.title, r.parent);
        if (!r.dialogStyleSheet.isEmpty())
            dialog.setStyleSheet(r.dialogStyleSheet);
        result = exec(dialog);
    }
    delete box;
    return result;
}

int message(QWidget* parent, int textId, int buttonMode, int iconKind, int titleId)
{
    MessageRequest r;
    r.parent = parent;
    r.textId = textId;
    r.titleId = titleId;
    r.buttonMode = buttonMode;
    r.iconKind = iconKind;
    return message(r);
}

int messageText(QWidget* parent, const QString& text, int buttonMode, int iconKind, int titleId)
{
    MessageRequest r;
    r.parent = parent;
    r.text = text;
    r.titleId = titleId;
    r.buttonMode = buttonMode;
    r.iconKind = iconKind;
    return message(r);
}

QString getFile(const FileRequest& r)
{
    // A copy: the hook may replace itself while it runs.
    if (const FileHook hook = fileHook())
        return hook(r);
    switch (r.kind) {
    case FileRequest::SaveFile:
        return QFileDialog::getSaveFileName(r.parent, r.caption, r.directory, r.filter, nullptr, r.options);
    case FileRequest::ExistingDirectory:
        return QFileDialog::getExistingDirectory(r.parent, r.caption, r.directory, r.options);
    case FileRequest::OpenFile:
    default:
        return QFileDialog::getOpenFileName(r.parent, r.caption, r.directory, r.filter, nullptr, r.options);
    }
}

static QString fileRequest(FileRequest::Kind kind, QWidget* parent, const QString& caption,
    const QString& directory, const QString& filter, QFileDialog::Options options)
{
    FileRequest r;
    r.kind = kind;
    r.parent = parent;
    r.caption = caption;
    r.directory = directory;
    r.filter = filter;
    r.options = options;
    return getFile(r);
}

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
    const QString& filter, QFileDialog::Options options)
{
    return fileRequest(FileRequest::OpenFile, parent, caption, directory, filter, options);
}

QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
    const QString& filter, QFileDialog::Options options)
{
    return fileRequest(FileRequest::SaveFile, parent, caption, directory, filter, options);
}

QString getExistingDirectory(
    QWidget* parent, const QString& caption, const QString& directory, QFileDialog::Options options)
{
    return fileRequest(FileRequest::ExistingDirectory, parent, caption, directory, QString(), options);
}

int exec(BaseDialog& dialog)
{
    // A copy: the hook may replace itself while it runs.
    if (const DialogHook hook = dialogHook())
        return hook(dialog);
    return dialog.exec();
}

void setMessageHook(MessageHook hook)
{
    messageHook() = std::move(hook);
}
void setFileHook(FileHook hook)
{
    fileHook() = std::move(hook);
}
void setDialogHook(DialogHook hook)
{
    dialogHook() = std::move(hook);
}

void resetHooks()
{
    messageHook() = nullptr;
    fileHook() = nullptr;
    dialogHook() = nullptr;
}

} // namespace Dialogs
