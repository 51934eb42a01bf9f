#include "shell/ui/GKMessageBox.h"

#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/WidgetUtilities.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVariant>

namespace
{

constexpr int kTextOk = 4;
constexpr int kTextCancel = 5;
constexpr int kButtonMinWidth = 80;
constexpr int kButtonMinHeight = 25;
constexpr int kMinWidth = 250;
constexpr int kMinHeight = 120;

const char kTwoButtonAreaStyle[] = ".QWidget{background-color: #dfe4ea;border-bottom-left-radius:5px;"
                                   "border-bottom-right-radius:5px;}";

QPushButton* makeButton(QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setMinimumSize(kButtonMinWidth, kButtonMinHeight);
    return button;
}

} // namespace

QString GKMessageBox::iconResource(int iconKind)
{
    switch (iconKind) {
    case InformationIcon:
        return QStringLiteral(":/icons/Resource/information.png");
    case AboutIcon:
        return QStringLiteral(":/icons/Resource/about-logo.png");
    case WarningIcon:
        return QStringLiteral(":/icons/Resource/warning.png");
    default:
        return {};
    }
}

GKMessageBox::GKMessageBox(const QString& text, QWidget* parent, int buttonMode, int iconKind)
    : BaseDialogFrame(parent)
    , m_text(text)
    , m_buttonMode(buttonMode)
    , m_iconKind(iconKind)
{
    initShellResources();
    const EditionProfile::Dialogs& looks = GKAppSetting::instance()->profile().dialogs;

    m_textLabel = new QLabel(this);
    m_textLabel->setObjectName(QStringLiteral("MessageText"));
    m_textLabel->setAlignment(
        looks.messageLeftAligned ? (Qt::AlignLeft | Qt::AlignVCenter) : Qt::AlignCenter);
    m_textLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Long device messages wrap instead of stretching the box across the screen.
    m_textLabel->setWordWrap(true);
    // (A dark dialog body gives the text its light colour: the style sheet's
    // darkBody variant.)
    if (looks.messageLinks)
        m_textLabel->setOpenExternalLinks(true);

    const QString icon = iconResource(iconKind);
    if (!icon.isEmpty()) {
        m_iconLabel = new QLabel(this);
        m_iconLabel->setObjectName(QStringLiteral("MessageIcon"));
        m_iconLabel->setPixmap(QPixmap(icon)); // a missing picture leaves the label empty
    }

    if (buttonMode == OkOnly || buttonMode == OkCancel) {
        m_okButton = makeButton(this);
        if (buttonMode == OkCancel)
            m_cancelButton = makeButton(this);
        m_buttonArea = new QWidget(this);
        m_buttonArea->setObjectName(QStringLiteral("MessageButtonArea"));
        if (buttonMode == OkCancel)
            m_buttonArea->setStyleSheet(QString::fromLatin1(kTwoButtonAreaStyle));
        for (QPushButton* b : { m_okButton, m_cancelButton }) {
            if (!b)
                continue;
            if (!looks.messageButtonName.isEmpty())
                b->setObjectName(looks.messageButtonName);
            if (looks.whiteMessageButtons)
                setStyleVariant(b, "whiteText", true);
        }
    }

    setMinimumSize(kMinWidth, kMinHeight);

    auto* messageRow = new QHBoxLayout;
    messageRow->setContentsMargins(9, 9, 9, 9);
    messageRow->setSpacing(looks.messageLeftAligned ? 40 : 0);
    if (m_iconLabel)
        messageRow->addWidget(m_iconLabel);
    messageRow->addWidget(m_textLabel);

    if (m_buttonArea) {
        auto* buttons = new QHBoxLayout(m_buttonArea);
        buttons->setContentsMargins(9, 9, 9, 9);
        buttons->setSpacing(10);
        buttons->addStretch();
        if (m_okButton)
            buttons->addWidget(m_okButton);
        if (m_cancelButton)
            buttons->addWidget(m_cancelButton);
        auto* box = new QVBoxLayout(this);
        box->setContentsMargins(1, 0, 1, 1);
        box->setSpacing(0);
        box->addLayout(messageRow);
        box->addWidget(m_buttonArea);
    } else {
        setLayout(messageRow);
    }

    if (m_okButton)
        connect(m_okButton, &QPushButton::clicked, this, &GKMessageBox::OnClickOk);
    if (m_cancelButton)
        connect(m_cancelButton, &QPushButton::clicked, this, &GKMessageBox::OnClickCancel);
    retranslate();
    // A box stays open while the language may change underneath (a modal
    // box over a page that keeps working); it follows the change.
    GKAppSetting::instance()->addEventReceiver(this);
}

// The settings object drops receivers that are gone; asking for it here
// could make a new one at exit.
GKMessageBox::~GKMessageBox() = default;

void GKMessageBox::OnClickOk()
{
    emit doneRequest(ResultOk, nullptr);
}

void GKMessageBox::OnClickCancel()
{
    emit doneRequest(ResultCancel, nullptr);
}

void GKMessageBox::customEvent(QEvent* event)
{
    if (event->type() == LanguageChangedEvent || event->type() == ProtocolChangedEvent)
        retranslate();
}

void GKMessageBox::retranslate()
{
    if (m_okButton)
        m_okButton->setText(TextTable::text(kTextOk));
    if (m_cancelButton)
        m_cancelButton->setText(TextTable::text(kTextCancel));
    m_textLabel->setText(m_text);
}
