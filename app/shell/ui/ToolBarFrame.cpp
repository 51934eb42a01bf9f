#include "shell/ui/ToolBarFrame.h"

#include "shell/GKAppSetting.h"
#include "shell/LanguageTables.h"
#include "shell/TextTable.h"
#include "shell/edition/EditionProfile.h"
#include "shell/ui/FlowLayout.h"
#include "shell/ui/HoverButton.h"
#include "shell/ui/HoverDialog.h"
#include "shell/ui/WidgetUtilities.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

// Outside any namespace: Q_INIT_RESOURCE names a global function.
static void initToolBarQrc()
{
    Q_INIT_RESOURCE(toolbar);
}

namespace
{

using B = ToolBarButton;
using ToolBarEditions::kButtonCount;

// Language-table numbers of the tool bar's own texts.
enum : int {
    kTextFilter = 14,
    kTextProtocol = 136,
    kTextNormalSearch = 137,
    kTextOnvifSearch = 138,
    kTextAutoRefresh = 262,
    kTextEnglish = 89,
};

constexpr int kIconSize = 16;
// Icon colours; they match the text colours of style/30-toolbar.qss.
const QColor kIconColour(0x4b, 0x57, 0x66);
const QColor kIconCheckedColour(Qt::white);
const QColor kIconDisabledColour(0xa8, 0xb0, 0xba);
const QColor kIconCheckedDisabledColour(0xee, 0xf3, 0xfb);
const QColor kFilterIconColour(0x7a, 0x85, 0x94);

const char* iconName(B b)
{
    switch (b) {
    case B::Search:
        return "search";
    case B::Upgrade:
        return "upgrade";
    case B::Config:
    case B::Hover:
        return "config";
    case B::DeviceInfo:
        return "device-info";
    case B::ImportExport:
        return "import-export";
    case B::Password:
        return "password";
    case B::ExportExcel:
        return "workbook";
    case B::ExtranetSearch:
        return "ip-range";
    case B::Stream:
        return "stream";
    case B::OSD:
        return "osd";
    case B::Recovery:
        return "recovery";
    case B::InitialDevice:
        return "activate";
    case B::Reboot:
        return "reboot";
    case B::ChangeDevice:
        return "change-device";
    case B::Developer:
        return "developer";
    case B::AutoUpgrade:
        return "auto-upgrade";
    case B::VideoFormat:
        return "video-format";
    case B::None:
        break;
    }
    return "";
}

QImage tinted(const QImage& shape, const QColor& colour)
{
    QImage image = shape;
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), colour);
    return image;
}

// The icons are one-colour drawings; each state gets its own colour here so
// that one drawing serves the plain, checked and disabled button. A null
// icon when the drawing cannot be read (no SVG image plug-in): the button
// then shows its text alone.
QIcon toolBarIcon(const QString& name, const QColor& normal, bool checkable)
{
    QIcon icon;
    for (int scale : { 1, 2 }) {
        QImageReader reader(QStringLiteral(":/toolbar/icons/%1.svg").arg(name));
        reader.setScaledSize(QSize(kIconSize, kIconSize) * scale);
        const QImage read = reader.read();
        if (read.isNull())
            return QIcon();
        const QImage shape = read.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const auto add = [&](const QColor& colour, QIcon::Mode mode, QIcon::State state) {
            QPixmap pixmap = QPixmap::fromImage(tinted(shape, colour));
            pixmap.setDevicePixelRatio(scale);
            icon.addPixmap(pixmap, mode, state);
        };
        add(normal, QIcon::Normal, QIcon::Off);
        add(normal, QIcon::Active, QIcon::Off);
        add(kIconDisabledColour, QIcon::Disabled, QIcon::Off);
        if (checkable) {
            add(kIconCheckedColour, QIcon::Normal, QIcon::On);
            add(kIconCheckedColour, QIcon::Active, QIcon::On);
            add(kIconCheckedDisabledColour, QIcon::Disabled, QIcon::On);
        }
    }
    return icon;
}

} // namespace

void ToolBarFrame::initResources()
{
    initToolBarQrc();
}

ToolBarFrame::ToolBarFrame(QWidget* parent)
    : QFrame(parent)
{
    initResources();
    GKAppSetting* settings = GKAppSetting::instance();
    m_edition = settings->customerId();
    // A tool bar built after an earlier one was destroyed is readable again.
    GKAppSetting::ToolBarAccess(settings).setToolBarDestroyed(false);

    createWidgets();
    buildLayout();
    connectSignals();
    retranslate();
}

ToolBarFrame::~ToolBarFrame()
{
    // Search callbacks read the protocol combo from their own threads, under
    // this lock and only while the flag is false: set it before the combo goes.
    GKAppSetting* settings = GKAppSetting::instance();
    GKAppSetting::ToolBarAccess(settings).setToolBarDestroyed(true);
    settings->removeEventReceiver(this);
}

void ToolBarFrame::createWidgets()
{
    m_pButtonGroup = new QButtonGroup(this);
    m_pButtonGroup->setExclusive(true);
    for (B b : ToolBarEditions::allButtons()) {
        QPushButton* button = nullptr;
        if (b == B::Hover) {
            m_pBtnHover = new HoverButton(this);
            button = m_pBtnHover;
        } else {
            button = new QPushButton(this);
        }
        button->setObjectName(QStringLiteral("PageTabButton"));
        button->setCheckable(true);
        button->setIconSize(QSize(kIconSize, kIconSize));
        button->setHidden(!ToolBarEditions::initiallyShown(m_edition, b));
        m_pButtonGroup->addButton(button, static_cast<int>(b));
        m_buttons[static_cast<int>(b)] = button;
    }
    QPushButton* search = button(B::Search);
    search->setChecked(true);
    m_currentButton = search;
    applyButtonSizes();

    m_pFilterLabel = new QLabel(this);
    m_pFilterLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pFilterEdit = new QLineEdit(this);
    m_pFilterEdit->setFixedSize(100, 25);
    const QIcon filterIcon = toolBarIcon(QStringLiteral("filter"), kFilterIconColour, false);
    if (!filterIcon.isNull())
        m_pFilterEdit->addAction(filterIcon, QLineEdit::LeadingPosition);
    m_pFilterCombo = new QComboBox(this);
    m_pFilterCombo->setFixedHeight(25);
    const EditionProfile::ToolBar& names = GKAppSetting::instance()->profile().toolBar;
    m_pFilterLabel->setObjectName(names.filterLabelName);
    m_pFilterEdit->setObjectName(names.filterEditName);
    m_pFilterCombo->setObjectName(names.filterComboName);

    m_pProtocolLabel = new QLabel(this);
    m_pProtocolLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pProtocolCombo = new QComboBox(this);
    m_pProtocolCombo->setFixedHeight(25);
    setProtocolWidgetsVisible(ToolBarEditions::hasProtocolCombo(m_edition));

    if (ToolBarEditions::hasAutoRefresh(m_edition)) {
        m_pAutoRefreshLabel = new QLabel(this);
        m_pAutoRefreshLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_pAutoRefreshBox = new QCheckBox(this);
        m_pAutoRefreshLabel->setBuddy(m_pAutoRefreshBox);
    }
}

void ToolBarFrame::buildLayout()
{
    m_pOuterLayout = new QHBoxLayout(this);
    m_pOuterLayout->setContentsMargins(0, 10, 0, 0);
    m_pOuterLayout->setSpacing(10);

    m_pFlowLayout = new FlowLayout(0, 10, 10);
    for (B b : ToolBarEditions::flowOrder(m_edition))
        m_pFlowLayout->addWidget(button(b));

    m_pRightLayout = new QHBoxLayout();
    m_pRightLayout->setContentsMargins(0, 0, 0, 0);
    m_pRightLayout->setSpacing(6);
    if (m_pAutoRefreshLabel) {
        m_pRightLayout->addWidget(m_pAutoRefreshLabel);
        m_pRightLayout->addWidget(m_pAutoRefreshBox);
        m_pRightLayout->addSpacing(10);
    }
    m_pRightLayout->addWidget(m_pProtocolLabel);
    m_pRightLayout->addWidget(m_pProtocolCombo);
    m_pRightLayout->addSpacing(10);
    m_pRightLayout->addWidget(m_pFilterLabel);
    m_pRightLayout->addWidget(m_pFilterEdit);
    m_pRightLayout->addWidget(m_pFilterCombo);
    // As high as one row of buttons and kept at the top: the filter stays
    // level with the first row when the buttons wrap.
    m_pRightLayout->addStrut(ToolBarEditions::kButtonHeight);

    m_pOuterLayout->addLayout(m_pFlowLayout, 1);
    m_pOuterLayout->addLayout(m_pRightLayout, 0);
    m_pOuterLayout->setAlignment(m_pRightLayout, Qt::AlignTop);
}

void ToolBarFrame::connectSignals()
{
    for (B b : ToolBarEditions::allButtons()) {
        if (const RequestSignal request = requestSignal(b))
            connect(button(b), &QPushButton::clicked, this, request);
    }

    connect(m_pFilterCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &ToolBarFrame::FilterIndexChangedRequest);
    connect(m_pFilterEdit, &QLineEdit::textChanged, this, &ToolBarFrame::FilterTextChangedRequest);
    // Mirrored first, for readers on other threads and for everything below.
    connect(m_pProtocolCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        [this](int index) { m_protocolIndex.store(index); });
    // The filter entries follow the protocol before anyone is told of the
    // change, so that a listener asking filterColumn() gets the new column.
    connect(m_pProtocolCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &ToolBarFrame::FilterItemChangedRequest);
    connect(m_pProtocolCombo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &ToolBarFrame::ProtocolIndexChangedRequest);

    connect(m_pBtnHover, &QPushButton::clicked, this, &ToolBarFrame::ShowExtraButton);
    connect(m_pBtnHover, &HoverButton::ClickHoverFirstRequest, this, &ToolBarFrame::OnClickHoverFirstRequest);
    connect(
        m_pBtnHover, &HoverButton::ClickHoverSecondRequest, this, &ToolBarFrame::OnClickHoverSecondRequest);
    connect(m_pBtnHover, &HoverButton::ClickHoverThirdRequest, this, &ToolBarFrame::OnClickHoverThirdRequest);
    connect(m_pBtnHover, &HoverButton::HoverHasClickedBtn, this, &ToolBarFrame::CheckHoverBtnClicked);
    connect(m_pButtonGroup, QOverload<QAbstractButton*>::of(&QButtonGroup::buttonClicked), this,
        &ToolBarFrame::CheckCurrentButton);
    if (m_pAutoRefreshBox)
        connect(m_pAutoRefreshBox, &QCheckBox::clicked, this, &ToolBarFrame::OnAutoRefresh);
}

ToolBarFrame::RequestSignal ToolBarFrame::requestSignal(ToolBarButton button)
{
    switch (button) {
    case B::Search:
        return &ToolBarFrame::SearchRequest;
    case B::Upgrade:
        return &ToolBarFrame::UpgradeRequest;
    case B::Config:
        return &ToolBarFrame::ConfigRequest;
    case B::DeviceInfo:
        return &ToolBarFrame::DeviceInfoRequest;
    case B::ImportExport:
        return &ToolBarFrame::ImportExportRequest;
    case B::Password:
        return &ToolBarFrame::ChangePasswordRequest;
    case B::ExportExcel:
        return &ToolBarFrame::ExportExcelRequest;
    case B::ExtranetSearch:
        return &ToolBarFrame::ExtranetSearchRequest;
    case B::Stream:
        return &ToolBarFrame::StreamConfigRequest;
    case B::OSD:
        return &ToolBarFrame::OSDConfigRequest;
    case B::Recovery:
        return &ToolBarFrame::RecoveryDeviceRequest;
    case B::InitialDevice:
        return &ToolBarFrame::InitialDeviceRequest;
    case B::Reboot:
        return &ToolBarFrame::RebootDeviceRequest;
    case B::ChangeDevice:
        return &ToolBarFrame::ChangeDeviceRequest;
    case B::Developer:
        return &ToolBarFrame::DeveloperPageRequest;
    case B::AutoUpgrade:
        return &ToolBarFrame::AutoUpgradePageRequest;
    case B::VideoFormat:
        return &ToolBarFrame::VideoFormatRequest;
    case B::Hover: // opens its pop-up; its choices raise the hover requests
    case B::None:
        break;
    }
    return nullptr;
}

QPushButton* ToolBarFrame::button(ToolBarButton which) const
{
    const int i = static_cast<int>(which);
    return i >= 0 && i < kButtonCount ? m_buttons[i] : nullptr;
}

bool ToolBarFrame::isActive(ToolBarButton which) const
{
    const QPushButton* b = button(which);
    return b && b->isVisibleTo(this) && b->isChecked();
}

ToolBarButton ToolBarFrame::activeButton() const
{
    for (B b : ToolBarEditions::allButtons()) {
        if (isActive(b))
            return b;
    }
    return B::None;
}

// The page the active button stands for; the hover button stands for the
// page of its pop-up's checked choice.
ToolBarButton ToolBarFrame::pageOfActiveButton() const
{
    const B active = activeButton();
    if (active != B::Hover)
        return active;
    return ToolBarEditions::hoverChoice(m_pBtnHover->popup()->choiceIndex());
}

QString ToolBarFrame::filterText() const
{
    return m_pFilterEdit->text();
}

void ToolBarFrame::setProtocolWidgetsVisible(bool visible)
{
    m_pProtocolLabel->setVisible(visible);
    m_pProtocolCombo->setVisible(visible);
}

void ToolBarFrame::setButtonsEnabled(bool enabled)
{
    for (QPushButton* b : m_buttons)
        b->setEnabled(enabled);
    m_pFilterEdit->setEnabled(enabled);
    m_pFilterCombo->setEnabled(enabled);
    m_pProtocolCombo->setEnabled(enabled);
}

int ToolBarFrame::filterColumn() const
{
    return ToolBarEditions::filterColumn(m_edition, pageOfActiveButton(), m_pFilterCombo->currentIndex());
}

void ToolBarFrame::fillFilterCombo(bool streamForm)
{
    const QSignalBlocker blocker(m_pFilterCombo);
    m_pFilterCombo->clear();
    const int protocol = qMax(m_pProtocolCombo->currentIndex(), 0);
    for (int id : ToolBarEditions::filterEntries(m_edition, streamForm, protocol))
        m_pFilterCombo->addItem(TextTable::text(id));
}

void ToolBarFrame::refillFilterCombo(bool streamForm)
{
    if (!streamForm) {
        FilterItemChangedRequest();
        return;
    }
    fillFilterCombo(true);
    {
        const QSignalBlocker blocker(m_pFilterCombo);
        m_pFilterCombo->setCurrentIndex(0);
    }
    emit FilterIndexChangedRequest();
}

void ToolBarFrame::FilterItemChangedRequest()
{
    // Filled with signals blocked and announced once: an emptied combo in
    // between would hand the pages a column that does not exist.
    fillFilterCombo(false);
    {
        const QSignalBlocker blocker(m_pFilterCombo);
        m_pFilterCombo->setCurrentIndex(0);
    }
    emit FilterIndexChangedRequest();
}

void ToolBarFrame::applyProtocolVisibility(bool normalProtocol)
{
    const ToolBarEditions::ProtocolRule rule = ToolBarEditions::protocolRule(m_edition);
    for (B b : rule.normalOnly)
        button(b)->setVisible(normalProtocol);
    for (B b : rule.alwaysHidden)
        button(b)->setVisible(false);
}

void ToolBarFrame::checkConfigButton()
{
    button(B::Config)->setChecked(true);
    m_currentButton = button(B::Config);
    m_pBtnHover->resetChoices(false);
}

void ToolBarFrame::checkHoverButton()
{
    m_pBtnHover->setChecked(true);
    m_pBtnHover->restoreChoice(false);
}

void ToolBarFrame::CheckCurrentButton(QAbstractButton* b)
{
    GKAppSetting* settings = GKAppSetting::instance();
    const bool search = b == button(B::Search);
    if (settings->profile().titleBar.protocolEntryOffSearchPage)
        emit HideProtocolBtn(!search);
    if (b == m_pBtnHover)
        return; // the page changes only when a pop-up choice is made
    settings->setOnSearchPage(search);
    m_currentButton = b;
    m_pBtnHover->resetChoices(false);
}

void ToolBarFrame::CheckHoverBtnClicked(bool chosen)
{
    if (chosen) {
        m_currentButton = m_pBtnHover;
        GKAppSetting::instance()->setOnSearchPage(false);
        return;
    }
    if (m_currentButton && m_currentButton != m_pBtnHover) {
        m_currentButton->setChecked(true); // unchecks the hover button: the group is exclusive
        m_pBtnHover->setChecked(false);
    }
}

void ToolBarFrame::ShowExtraButton()
{
    if (m_pBtnHover && m_pBtnHover->isChecked())
        m_pBtnHover->showPopup();
}

void ToolBarFrame::OnAutoRefresh(bool)
{
    if (!ToolBarEditions::hasAutoRefresh(m_edition) || !m_pAutoRefreshBox)
        return;
    GKAppSetting* settings = GKAppSetting::instance();
    if (m_pAutoRefreshBox->checkState() == Qt::Checked)
        settings->startAutoRefresh();
    else
        settings->stopAutoRefresh();
}

void ToolBarFrame::customEvent(QEvent* event)
{
    if (event->type() == LanguageChangedEvent || event->type() == ProtocolChangedEvent)
        retranslate();
}

bool ToolBarFrame::wideTexts() const
{
    const QString file = GKAppSetting::instance()->currentLanguageFile();
    return !file.isEmpty() && LanguageTables::displayTextId(file) != kTextEnglish;
}

void ToolBarFrame::applyButtonSizes()
{
    const bool wide = wideTexts();
    for (B b : ToolBarEditions::allButtons()) {
        const ToolBarEditions::ButtonWidth w = ToolBarEditions::buttonWidth(m_edition, wide, b);
        QPushButton* pb = button(b);
        pb->setMinimumSize(w.minimum, ToolBarEditions::kButtonHeight);
        pb->setMaximumSize(w.maximum, ToolBarEditions::kButtonHeight);
    }
}

// Icons only when every button of the row keeps its whole text beside one:
// one button without an icon among others would look broken, and a cut text
// is worse than no icon.
void ToolBarFrame::updateIcons()
{
    bool fit = true;
    for (B b : ToolBarEditions::allButtons()) {
        QPushButton* pb = button(b);
        pb->setIcon(toolBarIcon(QLatin1String(iconName(b)), kIconColour, true));
        if (pb->icon().isNull())
            fit = false;
    }
    for (B b : ToolBarEditions::flowOrder(m_edition)) {
        QPushButton* pb = button(b);
        pb->ensurePolished();
        if (pb->sizeHint().width() > pb->maximumWidth())
            fit = false;
    }
    if (!fit) {
        for (QPushButton* pb : m_buttons)
            pb->setIcon(QIcon());
    }
}

void ToolBarFrame::retranslate()
{
    GKAppSetting* settings = GKAppSetting::instance();
    settings->addEventReceiver(this);

    // Buttons.
    for (B b : ToolBarEditions::allButtons()) {
        const ToolBarEditions::ButtonTexts ids = ToolBarEditions::buttonTexts(m_edition, b);
        QPushButton* pb = button(b);
        pb->setText(TextTable::text(ids.text));
        pb->setToolTip(TextTable::text(ids.toolTip));
        if (ToolBarEditions::boldButton(m_edition, b))
            setStyleVariant(pb, "boldText", true);
    }
    m_pBtnHover->popup()->retranslate();
    applyButtonSizes();
    updateIcons();

    // Filter: keep the chosen entry.
    m_pFilterLabel->setText(TextTable::text(kTextFilter));
    const int p = m_pFilterCombo->currentIndex();
    {
        QSignalBlocker blocker(m_pFilterCombo);
        if (p < 0)
            blocker.unblock();
        fillFilterCombo(pageOfActiveButton() == B::Stream);
        m_pFilterCombo->setCurrentIndex(qBound(0, p, m_pFilterCombo->count() - 1));
    }

    // Protocol: keep the chosen entry. The very first fill announces index 0,
    // which refills the filter combo for the normal search.
    m_pProtocolLabel->setText(TextTable::text(kTextProtocol));
    const int q = m_pProtocolCombo->currentIndex();
    {
        QSignalBlocker blocker(m_pProtocolCombo);
        if (q < 0)
            blocker.unblock();
        m_pProtocolCombo->clear();
        m_pProtocolCombo->addItem(TextTable::text(kTextNormalSearch));
        m_pProtocolCombo->addItem(TextTable::text(kTextOnvifSearch));
        m_pProtocolCombo->setCurrentIndex(qMax(q, 0));
    }
    m_protocolIndex.store(m_pProtocolCombo->currentIndex());

    if (m_pAutoRefreshLabel)
        m_pAutoRefreshLabel->setText(TextTable::text(kTextAutoRefresh));

    // Combo widths: the widest entry of any form, so that the filter does not
    // change width (and shift its neighbours) from page to page.
    m_pProtocolCombo->ensurePolished();
    m_pFilterCombo->ensurePolished();
    fitComboBoxWidth(m_pProtocolCombo);
    fitComboBoxWidth(m_pFilterCombo);
    const QFontMetrics metrics(m_pFilterCombo->font());
    int widest = 0;
    for (bool stream : { false, true }) {
        for (int id : ToolBarEditions::filterEntries(m_edition, stream, 0))
            widest = qMax(widest, metrics.horizontalAdvance(TextTable::text(id)));
    }
    if (widest + 40 > m_pFilterCombo->minimumWidth())
        m_pFilterCombo->setFixedWidth(widest + 40);
}
