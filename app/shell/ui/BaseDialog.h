#pragma once
// The frame of every pop-up window: frameless like the main window, with a
// thin grey border, the program's own title bar (dialog mode) and one content
// widget below it. The content is either a BaseDialogFrame, which ends the
// dialog by emitting doneRequest, or a Qt file dialog, which ends it with the
// file dialog's own result code.
//
// Typical use (the caller owns the content and deletes it after exec):
//
//   auto* box = new GKMessageBox(TextTable::text(50), this, GKMessageBox::OkOnly, GKMessageBox::WarningIcon);
//   BaseDialog dialog(box, TextTable::text(6), this);
//   const int result = Dialogs::exec(dialog); // or dialog.exec(); 0: confirmed
//   delete box;
//
// Pages show messages through Dialogs::message (shell/Dialogs.h), which does
// exactly this and which tests can answer.
#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QString>

class TitleBarFrame;
class QWidget;

// What a dialog's content reports and what BaseDialog::exec returns.
using ResultType = int;
inline constexpr ResultType ResultOk = 0; // confirmed (OK)
inline constexpr ResultType ResultCancel = -1; // Cancel, the title bar's close button, Escape
inline constexpr ResultType ResultWithObject = 1; // confirmed, with an object for the owner

// The base of dialog contents that report a result.
class BaseDialogFrame : public QWidget
{
    Q_OBJECT

public:
    explicit BaseDialogFrame(QWidget* parent = nullptr);

signals:
    void doneRequest(ResultType result, QObject* object);
};

class BaseDialog : public QDialog
{
    Q_OBJECT

public:
    // `content` may be null (an empty frame); it is not owned by the dialog.
    BaseDialog(QWidget* content, const QString& title, QWidget* parent = nullptr);
    ~BaseDialog() override;

    QWidget* content() const { return m_content; }
    QWidget* dialogFrame() const { return m_dialogFrame; }
    TitleBarFrame* titleBar() const { return m_titleBar; }
    QString title() const { return m_title; }
    // The object handed over with ResultWithObject; null after any other result.
    QObject* resultObject() const { return m_resultObject; }

public slots:
    void OnCloseReponse(int code);
    void OnDoneResponse(ResultType result, QObject* object);
    void OnTitleMoveReponse(QPoint position);

    // Escape and a window-manager close end the dialog as the title bar's
    // close button does (-1); QDialog's own reject would return 0, which
    // every caller reads as "confirmed". A file-dialog content keeps Qt's
    // rejected code.
    void reject() override;

protected:
    bool event(QEvent* event) override;

private:
    QWidget* m_dialogFrame = nullptr;
    TitleBarFrame* m_titleBar = nullptr;
    QPointer<QWidget> m_content; // the caller may delete it first
    QPointer<QWidget> m_contentOwner; // the content's parent before the dialog took it
    QObject* m_resultObject = nullptr;
    QString m_title;
    bool m_rewritingStyle = false;
};
