#include "shell/ui/TitleBarFrame.h"

#include "shell/EditionTexts.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"
#include "shell/ui/BaseDialog.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/FontManager.h"
#include "shell/ui/GKMessageBox.h"
#include "shell/ui/LineEdit.h"
#include "shell/ui/StyleSheet.h"
#include "shell/ui/WidgetUtilities.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

// Language-table numbers.
enum : int {
    kTextAbout = 7,
    kTextMinimize = 8,
    kTextClose = 9,
    kTextSearch = 10,
    kTextLanguage = 88,
    kTextAboutAlt16 = 126,
    kTextProtocol = 136,
    kTextMaximize = 164,
    kTextRestore = 165,
    kTextSettingsOk = 216,
    kTextProtocolSdk = 238,
    kTextProtocolWeb = 239,
    kTextAboutAlt57 = 295,
    kTextSearchWeb = 305,
    kTextSearchSdk = 306,
    kTextSettings = 312,
    kTextDefaultPassword = 313,
};

constexpr int kButtonWidth = 17;
constexpr int kButtonHeight = 16;
// Room kept free on both sides of a dialog title, so that a centred title
// never runs under the close button.
constexpr int kTitleSideRoom = 40;

const char kLogo[] = ":/icons/Resource/logo.png";
const char kLogoSub[] = ":/icons/Resource/logo_sub.png";

// Logos scale their picture to the label; the label keeps the picture's own
// size, so a tall bar never stretches a logo out of shape.
void setLogo(QLabel* label, const char* resource)
{
    const QPixmap picture { QLatin1String(resource) };
    label->setPixmap(picture);
    if (!picture.isNull())
        label->setFixedSize(picture.size());
}

} // namespace

TitleBarFrame::TitleBarFrame(QWidget* parent, bool mainWindowMode)
    : QFrame(parent)
    , m_mainWindowMode(mainWindowMode)
{
    initShellResources();
    GKAppSetting* settings = GKAppSetting::instance();
    m_profile = &settings->profile();
    m_showLogo = !m_mainWindowMode || m_profile->titleBar.logo;
    setObjectName(QStringLiteral("TitleBarFrame"));
    setMouseTracking(true);

    if (m_mainWindowMode) {
        createMainWidgets();
        createMenus();
    } else {
        createTitleLabel();
    }
    m_closeButton = makeButton("closebutton");
    m_closeButton->setStyleSheet(QStringLiteral("color:black;"));
    buildLayout();
    updateLogo(settings->languageIndex());
    connectSignals();

    retranslate();
    if (m_mainWindowMode && m_profile->titleBar.buttonBar) {
        m_infoButton->setText(TextTable::text(kTextAbout));
        m_languageButton->setText(TextTable::text(kTextLanguage));
    }
    if (m_restoreButton && m_maxButton)
        OnRestore();
}

void TitleBarFrame::createMainWidgets()
{
    const EditionProfile::TitleBar& t = m_profile->titleBar;
    if (t.topLogo)
        m_topLogo = makeLogo(kLogoSub);
    if (m_showLogo)
        m_logo = makeLogo(kLogo);
    if (t.secondLogo)
        m_secondLogo = makeLogo(kLogoSub);

    m_infoButton = makeButton(t.buttonBar ? "aboutbtn" : "aboutbutton", !t.buttonBar);
    m_minButton = makeButton("minbutton");
    if (t.buttonBar) {
        m_restoreButton = makeButton("restorebutton");
        m_languageButton = makeButton("languagebutton", false);
        m_maxButton = makeButton("maxbutton");
        m_searchButton = makeButton("searchbutton", false);
    } else if (t.restoreAndMaximize) {
        m_restoreButton = makeButton("restorebutton");
        m_maxButton = makeButton("maxbutton");
    }
}

void TitleBarFrame::createMenus()
{
    const EditionProfile::TitleBar& t = m_profile->titleBar;
    m_infoMenu = new QMenu(this);
    if (t.languageEntry)
        m_languageEntry = new QAction(this);
    m_aboutEntry = new QAction(this);
    m_protocolEntry = new QAction(this);
    if (t.protocolEntryOffSearchPage)
        m_protocolEntry->setVisible(false); // the search page is current at start
    m_languageMenu = new QMenu(this);
    if (m_languageEntry && !t.buttonBar)
        m_languageEntry->setMenu(m_languageMenu);
    if (t.searchProtocolMenu) {
        m_searchProtoMenu = new QMenu(this);
        buildSearchProtocolActions();
    }
    buildLanguageActions();
    m_protocolMenu = new QMenu(this);
    m_protocolEntry->setMenu(m_protocolMenu);
    buildProtocolActions();
    m_infoMenu->addAction(m_protocolEntry);

    if (t.buttonBar) {
        m_languageButton->setMenu(m_languageMenu);
        m_languageButton->setArrowType(Qt::NoArrow);
        if (m_searchProtoMenu)
            m_searchButton->setMenu(m_searchProtoMenu);
        m_searchButton->setArrowType(Qt::NoArrow);
        m_restoreButton->hide();
        return;
    }
    if (m_languageEntry)
        m_infoMenu->addAction(m_languageEntry);
    if (m_profile->storesPassword) {
        m_settingsEntry = new QAction(this);
        m_infoMenu->addAction(m_settingsEntry);
    }
    m_infoMenu->addAction(m_aboutEntry);
    m_infoMenu->setTitle(TextTable::text(kTextLanguage));
    m_infoButton->setMenu(m_infoMenu);
    m_infoButton->setArrowType(Qt::NoArrow);
    if (t.restoreAndMaximize)
        m_maxButton->hide();
    m_restoreState = true;
    if (m_searchButton)
        m_searchButton->hide();
}

void TitleBarFrame::createTitleLabel()
{
    m_titleLabel = new QLabel(this);
    m_titleLabel->setObjectName(QStringLiteral("TitleLabel"));
    m_titleLabel->setAlignment(Qt::AlignCenter);
    QPalette palette = m_titleLabel->palette();
    palette.setColor(QPalette::All, QPalette::WindowText, Qt::green);
    m_titleLabel->setPalette(palette);
}

void TitleBarFrame::buildLayout()
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    if (m_topLogo) {
        auto* first = new QHBoxLayout;
        first->setContentsMargins(20, 20, 10, 0);
        first->addWidget(m_topLogo);
        first->addStretch(1);
        column->addLayout(first);
    }

    // The logo that follows the language is the first widget of the first
    // row, when that is a label (see updateLogo).
    auto* row = new QHBoxLayout;
    row->setContentsMargins(20, 0, 10, 0);
    bool rowStarted = false;
    QLabel* firstRowLabel = nullptr;
    const auto addWidget = [&](QWidget* w) {
        if (!rowStarted)
            firstRowLabel = qobject_cast<QLabel*>(w);
        rowStarted = true;
        row->addWidget(w);
    };
    const auto addStretch = [&](int factor) {
        rowStarted = true;
        row->addStretch(factor);
    };
    if (m_mainWindowMode) {
        const EditionProfile::TitleBar& t = m_profile->titleBar;
        if (m_logo)
            addWidget(m_logo);
        if (t.stretchAfterLogo)
            addStretch(1);
        if (t.wideStretch > 0)
            addStretch(t.wideStretch);
        if (t.centredSecondLogo)
            addStretch(1);
        if (m_secondLogo)
            addWidget(m_secondLogo);
        if (t.centredSecondLogo) {
            addStretch(1);
            row->addSpacing(100);
            row->setSpacing(20);
        }
        if (t.stretchBeforeButtons)
            addStretch(1);
        if (t.buttonBar) {
            addWidget(m_languageButton);
            addWidget(m_searchButton);
        }
        addWidget(m_infoButton);
        addWidget(m_minButton);
        if (m_restoreButton && m_maxButton) {
            addWidget(m_restoreButton);
            addWidget(m_maxButton);
        }
    } else {
        addStretch(1);
    }
    addWidget(m_closeButton);
    column->addLayout(row);
    m_languageLogo = m_topLogo ? m_topLogo : firstRowLabel;
}

void TitleBarFrame::connectSignals()
{
    if (m_mainWindowMode) {
        for (QToolButton* b : { m_restoreButton, m_maxButton }) {
            if (!b)
                continue;
            connect(b, &QToolButton::clicked, this, &TitleBarFrame::OnRestore);
            connect(b, &QToolButton::clicked, this, &TitleBarFrame::Restore);
        }
        connect(this, &TitleBarFrame::RestoreOrMax, this, &TitleBarFrame::OnRestore);
        if (m_profile->titleBar.buttonBar) {
            connect(m_infoButton, &QToolButton::clicked, this, &TitleBarFrame::ShowAboutWindow);
            connect(m_searchButton, &QToolButton::clicked, this, &TitleBarFrame::ShowSearchProtoWindow);
        } else {
            connect(m_infoButton, &QToolButton::clicked, this, &TitleBarFrame::OnBtnInfo);
        }
        if (m_languageButton)
            connect(m_languageButton, &QToolButton::clicked, this, &TitleBarFrame::OnBtnInfo);
        connect(m_aboutEntry, &QAction::triggered, this, &TitleBarFrame::ShowAboutWindow);
        connect(m_minButton, &QToolButton::clicked, this, &TitleBarFrame::MinReqest);
        connect(m_languageMenu, &QMenu::triggered, this, &TitleBarFrame::ChangeLanguage);
        connect(m_protocolMenu, &QMenu::triggered, this, &TitleBarFrame::ChangeProtocol);
        if (m_searchProtoMenu)
            connect(m_searchProtoMenu, &QMenu::triggered, this, &TitleBarFrame::ChangeSearchProto);
        if (m_settingsEntry)
            connect(m_settingsEntry, &QAction::triggered, this, &TitleBarFrame::ShowSettingsWindow);
    }
    connect(m_closeButton, &QToolButton::clicked, this, &TitleBarFrame::OnBtnClose);
}

TitleBarFrame::~TitleBarFrame()
{
    GKAppSetting::instance()->removeEventReceiver(this);
}

QToolButton* TitleBarFrame::makeButton(const char* objectName, bool fixedSize)
{
    auto* button = new QToolButton(this);
    button->setObjectName(QLatin1String(objectName));
    button->setFocusPolicy(Qt::NoFocus);
    if (fixedSize)
        button->setFixedSize(kButtonWidth, kButtonHeight);
    return button;
}

QLabel* TitleBarFrame::makeLogo(const char* resource)
{
    auto* label = new QLabel(this);
    label->setScaledContents(true);
    setLogo(label, resource);
    label->setMouseTracking(true);
    return label;
}

void TitleBarFrame::setTitle(const QString& title)
{
    if (!m_titleLabel)
        return;
    m_titleLabel->setText(title);
    if (const int width = m_profile->titleBar.dialogTitleMinimumWidth)
        m_titleLabel->setMinimumWidth(width);
    placeTitleLabel();
}

void TitleBarFrame::setProtocolActionVisible(bool visible)
{
    if (m_protocolEntry)
        m_protocolEntry->setVisible(visible);
}

void TitleBarFrame::updateLogo(int languageIndex)
{
    if (!m_languageLogo)
        return;
    const bool sub = m_profile->titleBar.subLogoForFirstLanguage && languageIndex == 0;
    setLogo(m_languageLogo, sub ? kLogoSub : kLogo);
}

void TitleBarFrame::buildLanguageActions()
{
    GKAppSetting* settings = GKAppSetting::instance();
    const QVector<int>& offered = settings->offeredLanguages();
    const QVector<int>& textIds = settings->languageTextIds();
    for (int position = 0; position < offered.size(); ++position) {
        const int file = offered.at(position);
        const int textId = (file >= 0 && file < textIds.size()) ? textIds.at(file) : -1;
        auto* action = new QAction(TextTable::text(textId), this);
        action->setCheckable(true);
        action->setChecked(position == settings->languageIndex());
        m_languageMenu->addAction(action);
        m_languageActions.append(action);
    }
}

void TitleBarFrame::buildProtocolActions()
{
    GKAppSetting* settings = GKAppSetting::instance();
    for (int value : settings->protocols()) {
        auto* action = new QAction(TextTable::text(value == 0 ? kTextProtocolWeb : kTextProtocolSdk), this);
        action->setCheckable(true);
        action->setChecked(value == settings->protocol());
        m_protocolMenu->addAction(action);
        m_protocolActions.append(action);
    }
}

void TitleBarFrame::buildSearchProtocolActions()
{
    const bool first = GKAppSetting::instance()->searchProtocol() == 0;
    for (int textId : { kTextSearchWeb, kTextSearchSdk }) {
        auto* action = new QAction(TextTable::text(textId), this);
        action->setCheckable(true);
        m_searchProtoMenu->addAction(action);
        m_searchProtoActions.append(action);
    }
    m_searchProtoActions.at(first ? 0 : 1)->setChecked(true);
}

void TitleBarFrame::retranslate()
{
    GKAppSetting::instance()->addEventReceiver(this);
    if (m_minButton)
        m_minButton->setToolTip(TextTable::text(kTextMinimize));
    m_closeButton->setToolTip(TextTable::text(kTextClose));
    if (!m_mainWindowMode)
        return;
    m_protocolEntry->setText(TextTable::text(kTextProtocol));
    if (m_maxButton)
        m_maxButton->setToolTip(TextTable::text(kTextMaximize));
    if (m_restoreButton)
        m_restoreButton->setToolTip(TextTable::text(kTextRestore));
    if (m_profile->titleBar.buttonBar) {
        m_searchButton->setText(TextTable::text(kTextSearch));
        m_infoButton->setText(TextTable::text(kTextAbout));
        m_languageButton->setText(TextTable::text(kTextLanguage));
    } else {
        if (m_languageEntry)
            m_languageEntry->setText(TextTable::text(kTextLanguage));
        m_aboutEntry->setText(TextTable::text(kTextAbout));
        if (m_settingsEntry)
            m_settingsEntry->setText(TextTable::text(kTextSettings));
        m_infoMenu->setTitle(TextTable::text(kTextLanguage));
    }

    // The old actions may still be referred to by a menu that is closing
    // (a choice in the menu posts the change that lands here): they go later.
    for (QAction* a : qAsConst(m_languageActions)) {
        m_languageMenu->removeAction(a);
        a->deleteLater();
    }
    m_languageActions.clear();
    buildLanguageActions();
    for (QAction* a : qAsConst(m_protocolActions)) {
        m_protocolMenu->removeAction(a);
        a->deleteLater();
    }
    m_protocolActions.clear();
    buildProtocolActions();
    if (!m_searchProtoActions.isEmpty()) {
        for (QAction* a : qAsConst(m_searchProtoActions)) {
            m_searchProtoMenu->removeAction(a);
            a->deleteLater();
        }
        m_searchProtoActions.clear();
        buildSearchProtocolActions();
    }
}

void TitleBarFrame::OnRestore()
{
    if (!m_restoreButton || !m_maxButton)
        return;
    if (m_restoreState) {
        m_restoreButton->hide();
        m_maxButton->show();
    } else {
        m_maxButton->hide();
        m_restoreButton->show();
    }
    m_restoreState = !m_restoreState;
}

void TitleBarFrame::ChangeLanguage(QAction* action)
{
    for (QAction* a : qAsConst(m_languageActions))
        a->setChecked(a == action);
    if (action)
        action->setChecked(true);
    const int position = m_languageActions.indexOf(action);
    if (position < 0)
        return;
    QFont font;
    const QString third = m_profile->titleBar.thirdLanguageFont;
    if (!third.isEmpty() && position == 2)
        font.setFamily(third);
    else
        font = FontManager::instance()->font();
    QApplication::setFont(font);
    updateLogo(position);
    GKAppSetting::instance()->setLanguage(position);
}

void TitleBarFrame::ChangeProtocol(QAction* action)
{
    for (QAction* a : qAsConst(m_protocolActions))
        a->setChecked(a == action);
    if (action)
        action->setChecked(true);
    const int position = m_protocolActions.indexOf(action);
    if (position >= 0)
        GKAppSetting::instance()->setProtocol(position);
}

void TitleBarFrame::ChangeSearchProto(QAction* action)
{
    for (QAction* a : qAsConst(m_searchProtoActions))
        a->setChecked(a == action);
    if (action)
        action->setChecked(true);
    const int position = m_searchProtoActions.indexOf(action);
    if (position >= 0)
        GKAppSetting::instance()->setSearchProtocol(position);
}

void TitleBarFrame::OnBtnInfo()
{
    if (!m_mainWindowMode)
        return;
    if (m_profile->titleBar.buttonBar) {
        m_languageButton->showMenu();
        m_languageButton->setText(TextTable::text(kTextLanguage));
        m_infoButton->setText(TextTable::text(kTextAbout));
        return;
    }
    m_infoButton->showMenu();

    // Rebuild the submenus after every showing, and put the entries back in
    // their fixed order.
    m_infoMenu->removeAction(m_aboutEntry);
    if (m_languageEntry)
        m_infoMenu->removeAction(m_languageEntry);
    m_infoMenu->removeAction(m_protocolEntry);

    m_protocolMenu->deleteLater();
    m_protocolMenu = new QMenu(this);
    connect(m_protocolMenu, &QMenu::triggered, this, &TitleBarFrame::ChangeProtocol);
    for (QAction* a : qAsConst(m_protocolActions))
        m_protocolMenu->addAction(a);
    m_languageMenu->deleteLater();
    m_languageMenu = new QMenu(this);
    connect(m_languageMenu, &QMenu::triggered, this, &TitleBarFrame::ChangeLanguage);
    for (QAction* a : qAsConst(m_languageActions))
        m_languageMenu->addAction(a);
    m_protocolEntry->setMenu(m_protocolMenu);
    if (m_languageEntry)
        m_languageEntry->setMenu(m_languageMenu);

    m_infoMenu->addAction(m_protocolEntry);
    if (m_languageEntry)
        m_infoMenu->addAction(m_languageEntry);
    if (m_settingsEntry)
        m_infoMenu->addAction(m_settingsEntry);
    m_infoMenu->addAction(m_aboutEntry);
}

void TitleBarFrame::ShowSearchProtoWindow()
{
    if (!m_searchButton || !m_profile->titleBar.buttonBar)
        return;
    m_searchButton->showMenu();
    m_searchButton->setText(TextTable::text(kTextSearch));
}

void TitleBarFrame::OnBtnClose()
{
    emit CloseRequest(ResultCancel);
}

void TitleBarFrame::ShowAboutWindow()
{
    const EditionProfile::About& about = m_profile->about;
    auto* box = new GKMessageBox(
        EditionTexts::aboutText(m_profile->edition), this, GKMessageBox::NoButtons, GKMessageBox::AboutIcon);
    box->setObjectName(QStringLiteral("AboutBox"));
    box->setStyleSheet(QStringLiteral("border:none;"));
    {
        BaseDialog dialog(box, TextTable::text(about.titleText), this);
        dialog.setModal(true);
        // The border is the style sheet's (a variant of the About window):
        // the dialog's own grey border would cover it.
        dialog.setStyleSheet(QString());
        setStyleVariant(dialog.dialogFrame(), "aboutBorder", about.border);
        Dialogs::exec(dialog);
    }
    delete box;
}

void TitleBarFrame::ShowSettingsWindow()
{
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("SettingsContent"));
    content->setMinimumSize(300, 120);
    auto* label = new QLabel(TextTable::text(kTextDefaultPassword), content);
    auto* edit = new QLineEdit(content);
    edit->setObjectName(QStringLiteral("SettingsPasswordEdit"));
    edit->setEchoMode(QLineEdit::Password);
    // The password is stored as Latin-1: a character it cannot hold would
    // silently become "?" and the devices would refuse the stored password.
    edit->setValidator(new Latin1Validator(edit));
    auto* ok = new QPushButton(TextTable::text(kTextSettingsOk), content);
    ok->setObjectName(QStringLiteral("SettingsOkButton"));
    ok->setFixedSize(80, 25);
    ok->setStyleSheet(QStringLiteral(".QPushButton{ color: white; }"));

    auto* column = new QVBoxLayout(content);
    auto* first = new QHBoxLayout;
    first->addWidget(label);
    first->addWidget(edit);
    auto* second = new QHBoxLayout;
    second->addStretch(1);
    second->addWidget(ok);
    second->addStretch(1);
    column->addLayout(first);
    column->addLayout(second);

    {
        BaseDialog dialog(content, TextTable::text(kTextSettings), this);
        dialog.setModal(true);
        connect(ok, &QPushButton::released, &dialog, [edit, &dialog] {
            const QString password = QString::fromLatin1(edit->text().toLatin1());
            GKAppSetting::instance()->setPassword(password);
            dialog.close();
        });
        Dialogs::exec(dialog);
    }
    delete content;
}

void TitleBarFrame::customEvent(QEvent* event)
{
    if (event->type() == LanguageChangedEvent || event->type() == ProtocolChangedEvent)
        retranslate();
}

void TitleBarFrame::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_pressPosition = event->pos();
    }
    event->ignore();
}

void TitleBarFrame::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    event->ignore();
}

void TitleBarFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        // The window's corner, not the bar's: inside a dialog the bar sits
        // one pixel in, and the dialog would jump by that on the first move.
        const QPoint barInWindow = mapTo(window(), QPoint(0, 0));
        emit TitleMoveRequest(event->globalPos() - m_pressPosition - barInWindow);
    }
    event->ignore();
}

void TitleBarFrame::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    placeTitleLabel();
}

void TitleBarFrame::placeTitleLabel()
{
    // The title is in no layout; it spans the bar, centred, clear of the
    // close button.
    if (!m_titleLabel)
        return;
    const int width = qMax(m_titleLabel->minimumWidth(), this->width() - 2 * kTitleSideRoom);
    m_titleLabel->setGeometry((this->width() - width) / 2, 0, width, height());
}
