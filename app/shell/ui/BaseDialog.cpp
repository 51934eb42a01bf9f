#include "shell/ui/BaseDialog.h"

#include "shell/GKAppSetting.h"
#include "shell/edition/EditionProfile.h"
#include "shell/ui/TitleBarFrame.h"
#include "shell/ui/WidgetUtilities.h"

#include <QEvent>
#include <QFileDialog>
#include <QPalette>
#include <QVBoxLayout>
#include <QVariant>

namespace
{

constexpr int kTitleBarHeight = 25;
constexpr int kFileDialogMinWidth = 620;
constexpr int kFileDialogMinHeight = 420;

// The dialog's own border. Scoped to the body: a style sheet without a
// selector applies to every child as well, which would draw a grey box around
// each label, button and edit of the content.
const char kDialogBorder[] = "#DialogFrame{border:1px solid rgb(134, 134, 134);}";

} // namespace

BaseDialogFrame::BaseDialogFrame(QWidget* parent)
    : QWidget(parent)
{
}

BaseDialog::BaseDialog(QWidget* content, const QString& title, QWidget* parent)
    : QDialog(parent)
    , m_content(content)
    , m_contentOwner(content ? content->parentWidget() : nullptr)
    , m_title(title)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowTitle(title);

    m_dialogFrame = new QWidget(this);
    m_dialogFrame->setObjectName(QStringLiteral("DialogFrame"));
    // The style sheet's background covers this; a body without its rule
    // shows up at once.
    QPalette palette = m_dialogFrame->palette();
    palette.setColor(QPalette::All, QPalette::Window, Qt::red);
    m_dialogFrame->setPalette(palette);

    // The edition's looks are variants of the style sheet: a dark body (with
    // light text), and the colour of the title, which on a dark title
    // colour gets the light bar.
    const EditionProfile::Dialogs& looks = GKAppSetting::instance()->profile().dialogs;
    setStyleVariant(m_dialogFrame, "darkBody", looks.darkBody);

    m_titleBar = new TitleBarFrame(m_dialogFrame, false);
    m_titleBar->setTitle(title);
    m_titleBar->setFixedHeight(kTitleBarHeight);
    setStyleVariant(m_titleBar, "titleText", looks.titleText);
    setStyleVariant(m_titleBar, "lightTitle", looks.titleText != QLatin1String("white"));

    setStyleSheet(QString::fromLatin1(kDialogBorder));

    auto* frameLayout = new QVBoxLayout(m_dialogFrame);
    frameLayout->setContentsMargins(1, 1, 1, 1);
    frameLayout->setSpacing(0);
    frameLayout->addWidget(m_titleBar);
    if (m_content)
        frameLayout->addWidget(m_content);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_dialogFrame);

    connect(m_titleBar, &TitleBarFrame::CloseRequest, this, &BaseDialog::OnCloseReponse);
    connect(m_titleBar, &TitleBarFrame::TitleMoveRequest, this, &BaseDialog::OnTitleMoveReponse);

    if (auto* frame = qobject_cast<BaseDialogFrame*>(m_content)) {
        connect(frame, &BaseDialogFrame::doneRequest, this, &BaseDialog::OnDoneResponse);
    } else if (auto* files = qobject_cast<QFileDialog*>(m_content)) {
        connect(files, &QDialog::finished, this, &BaseDialog::OnCloseReponse);
        files->setMinimumSize(kFileDialogMinWidth, kFileDialogMinHeight);
    }
}

BaseDialog::~BaseDialog()
{
    // The content belongs to the caller, who deletes it after exec, possibly
    // after the dialog: it must not die with the dialog's frame. It goes back
    // to the parent it had, which deletes it should the caller not.
    if (m_content && m_content->parent() == m_dialogFrame) {
        m_content->hide();
        m_content->setParent(m_contentOwner);
    }
}

void BaseDialog::OnCloseReponse(int code)
{
    done(code);
}

void BaseDialog::OnDoneResponse(ResultType result, QObject* object)
{
    m_resultObject = result == ResultWithObject ? object : nullptr;
    done(result);
}

void BaseDialog::OnTitleMoveReponse(QPoint position)
{
    move(position);
}

void BaseDialog::reject()
{
    if (qobject_cast<QFileDialog*>(m_content))
        done(QDialog::Rejected);
    else
        done(ResultCancel);
}

bool BaseDialog::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    // Callers give the dialog a plain "border:1px solid ..." as its style
    // sheet. Without a selector it would frame every child; it is meant for
    // the dialog's body, so it goes there, at the latest when the dialog is
    // polished for showing.
    if ((event->type() == QEvent::Polish || event->type() == QEvent::StyleChange) && !m_rewritingStyle) {
        const QString sheet = styleSheet().trimmed();
        if (!sheet.isEmpty() && !sheet.contains(QLatin1Char('{'))
            && sheet.contains(QLatin1String("border"))) {
            m_rewritingStyle = true;
            setStyleSheet(QStringLiteral("#DialogFrame{%1}").arg(sheet));
            m_rewritingStyle = false;
        }
    }
    return handled;
}
