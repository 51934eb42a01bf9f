#include "search/table/CheckBoxTableModel.h"

#include "devices/DeviceInfo.h"
#include "search/table/TableViewSortProxy.h"
#include "shell/GKAppSetting.h"
#include "shell/TextTable.h"
#include "shell/edition/DeviceTableEditions.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QtDebug>
#include <algorithm>

CheckBoxTableModel::CellCodeMap CheckBoxTableModel::upgradeCellCodes;
CheckBoxTableModel::CellCodeMap CheckBoxTableModel::videoFormatCellCodes;

namespace
{

using CellRule = DeviceTableEditions::CellRule;

// Language-table numbers of the column headers; each stands for one value of
// the row's device.
enum HeaderText {
    RowNumberHeader = 31,
    AddressHeader = 32,
    MediaPortHeader = 33,
    ChannelsHeader = 34,
    TypeHeader = 35,
    SoftwareHeader = 36,
    MaskHeader = 37,
    GatewayHeader = 38,
    MacHeader = 39,
    WebPortHeader = 42,
    NetworkModeHeader = 43,
    StatusHeader = 44,
    NameHeader = 60,
    P2pHeader = 127,
    QueriedVersionHeader = 142,
    MatchTextHeader = 145,
    HttpsHeader = 158,
    ResolutionHeader = 175,
    FrameRateHeader = 176,
    CodecHeader = 177,
    BitrateHeader = 181,
    ChannelNameHeader = 182,
    NamePositionHeader = 183,
    TimePositionHeader = 184,
    ShortMacHeader = 190,
    ShortAddressHeader = 191,
    ProductionDateHeader = 192,
    ActivatedHeader = 198,
    ExportDiskHeader = 242,
    TelnetHeader = 243,
    Ipv6Header = 285,
    SerialNumberHeader = 308,
};

int currentCustomer()
{
    return GKAppSetting::instance()->customerId();
}

const DeviceTableEditions::Rules& currentRules()
{
    return DeviceTableEditions::rules(currentCustomer());
}

bool validKind(int kind)
{
    return kind >= 0 && kind < CheckBoxTableModel::kKindCount;
}

QString shapedAddress(const QString& text, CellRule rule)
{
    if (rule == CellRule::PaddedAddress)
        return CheckBoxTableModel::padIpAddress(text);
    if (rule == CellRule::UnpaddedAddress)
        return CheckBoxTableModel::unpadIpAddress(text);
    return text;
}

QVariant portOrNotAvailable(int port)
{
    return port == 0 ? QVariant(QStringLiteral("N/A")) : QVariant(port);
}

// The bitrate the stream query found: the user's own where the stream has
// one.
int shownBitrate(const DeviceInfo* device)
{
    return device->bitrateMode != 0 ? device->customBitrate : device->bitrate;
}

// Splits a dotted IPv4 text into its four part values; false (with the
// warning) when it is no such text.
bool addressParts(const QString& text, int parts[4])
{
    const QStringList fields = text.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (fields.size() != 4) {
        qWarning("Invalid IP address");
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int value = fields.at(i).toInt(&ok, 10);
        if (!ok || value < 0 || value > 255) {
            qWarning("Invalid IP part: %s", qUtf8Printable(fields.at(i)));
            return false;
        }
        parts[i] = value;
    }
    return true;
}

QString joinParts(const int parts[4], int width)
{
    QStringList out;
    for (int i = 0; i < 4; ++i)
        out << QStringLiteral("%1").arg(parts[i], width, 10, QLatin1Char('0'));
    return out.join(QLatin1Char('.'));
}

} // namespace

CheckBoxTableModel::CheckBoxTableModel(QObject* parent, TableKind kind, int checkColumn)
    : QAbstractTableModel(parent)
    , m_checkColumn(checkColumn)
    , m_kind(kind)
{
    buildHeaders();
    initCellCodeMaps();
}

CheckBoxTableModel::~CheckBoxTableModel() = default;

TableViewSortProxy* CheckBoxTableModel::sortProxy()
{
    if (!m_proxy) {
        // Without a parent of its own the model keeps the proxy.
        m_proxy = new TableViewSortProxy(parent() ? parent() : this);
        m_proxy->setSourceModel(this);
        m_proxy->setDynamicSortFilter(true);
    }
    return m_proxy;
}

// ---- Rows and lists ----------------------------------------------------------

void CheckBoxTableModel::setDevices(const QList<DeviceInfo*>& devices)
{
    beginResetModel();
    m_rows = devices;
    m_rows.removeAll(nullptr);
    GKAppSetting::instance()->addEventReceiver(this);
    if (m_kind == StreamTable || m_kind == OsdTable) {
        // These pages set single-channel devices only.
        m_rows.erase(std::remove_if(m_rows.begin(), m_rows.end(),
                         [](const DeviceInfo* d) { return d->channelCount() != 1; }),
            m_rows.end());
    } else if (m_kind == InitialiseTable) {
        // The page gives devices their first password.
        m_rows.erase(std::remove_if(
                         m_rows.begin(), m_rows.end(), [](const DeviceInfo* d) { return d->isActivated(); }),
            m_rows.end());
    }
    endResetModel();
    m_shownList = m_rows;

    // The lists keep their devices, but a device that is no row any more may
    // be deleted already (a new search replaced the device list): the lists
    // never hand one out, and the one-name rule forgets it.
    const auto gone = [this](DeviceInfo* d) { return !m_rows.contains(d); };
    m_checkedList.erase(
        std::remove_if(m_checkedList.begin(), m_checkedList.end(), gone), m_checkedList.end());
    m_httpsList.erase(std::remove_if(m_httpsList.begin(), m_httpsList.end(), gone), m_httpsList.end());
    if (m_refDevice && gone(m_refDevice)) {
        m_refCount = 0;
        m_refDevice = nullptr;
        m_refName.clear();
    }
}

void CheckBoxTableModel::clearDevices()
{
    m_refCount = 0;
    m_refDevice = nullptr;
    m_refName.clear();
    beginResetModel();
    m_rows.clear();
    endResetModel();
    m_shownList.clear();
    m_checkedList.clear();
    m_httpsList.clear();
    emit dataChangeToheader(Qt::Unchecked);
    emit dataChangeToHttpsHeader(Qt::Unchecked);
}

void CheckBoxTableModel::refreshShownList()
{
    m_shownList.clear();
    if (!m_proxy)
        return;
    if (m_proxy->rowCount() == rowCount()) {
        // Nothing hidden: the model's order, however the view is sorted.
        m_shownList = m_rows;
        return;
    }
    for (int row = 0; row < m_proxy->rowCount(); ++row) {
        if (DeviceInfo* device = deviceAt(m_proxy->index(row, 0)))
            m_shownList << device;
    }
}

Qt::CheckState CheckBoxTableModel::stateOf(int taken, int shown)
{
    if (taken == 0)
        return Qt::Unchecked;
    return taken == shown ? Qt::Checked : Qt::PartiallyChecked;
}

bool CheckBoxTableModel::keepsHttps() const
{
    return m_kind == SearchTable || m_kind == RangeSearchTable;
}

void CheckBoxTableModel::updateCheckedList()
{
    m_checkedList.clear();
    if (validKind(m_kind)) {
        for (DeviceInfo* device : qAsConst(m_shownList)) {
            if (device->checkState[m_kind] == Qt::Checked)
                m_checkedList << device;
        }
    }
    emit dataChangeToheader(stateOf(m_checkedList.size(), m_shownList.size()));
}

void CheckBoxTableModel::updateHttpsList()
{
    m_httpsList.clear();
    if (keepsHttps()) {
        for (DeviceInfo* device : qAsConst(m_shownList)) {
            if (device->httpsCheck == Qt::Checked)
                m_httpsList << device;
        }
    }
    emit dataChangeToHttpsHeader(stateOf(m_httpsList.size(), m_shownList.size()));
}

void CheckBoxTableModel::setAllCheckState(Qt::CheckState state)
{
    m_checkedList.clear();
    if (validKind(m_kind)) {
        for (DeviceInfo* device : qAsConst(m_shownList))
            device->checkState[m_kind] = state;
        if (state == Qt::Checked)
            m_checkedList = m_shownList;
    }
    beginResetModel();
    endResetModel();
}

void CheckBoxTableModel::setAllHttpsState(Qt::CheckState state)
{
    m_httpsList.clear();
    if (keepsHttps()) {
        for (DeviceInfo* device : qAsConst(m_shownList))
            device->httpsCheck = state;
        if (state == Qt::Checked)
            m_httpsList = m_shownList;
    }
    beginResetModel();
    endResetModel();
}

int CheckBoxTableModel::checkState(const QModelIndex& proxyIndex) const
{
    const DeviceInfo* device = deviceAt(proxyIndex);
    return device && validKind(m_kind) ? device->checkState[m_kind] : int(Qt::Unchecked);
}

void CheckBoxTableModel::setCheckState(const QModelIndex& proxyIndex, int state)
{
    DeviceInfo* device = deviceAt(proxyIndex);
    if (!device || !validKind(m_kind))
        return;
    if (m_kind == ImportExportTable && currentRules().sameNameChecks) {
        if (m_refCount != 0 && m_refDevice->checkState[ImportExportTable] != Qt::Unchecked) {
            if (state == Qt::Checked && device->devName() != m_refName) {
                emit checkRefused(device);
                return;
            }
            if (state == Qt::Unchecked)
                --m_refCount;
        } else {
            m_refCount = 1;
            m_refDevice = device;
            m_refName = device->devName();
        }
    }
    device->checkState[m_kind] = state;
}

int CheckBoxTableModel::httpsState(const QModelIndex& proxyIndex) const
{
    const DeviceInfo* device = deviceAt(proxyIndex);
    return device && keepsHttps() ? device->httpsCheck : int(Qt::Unchecked);
}

void CheckBoxTableModel::setHttpsState(const QModelIndex& proxyIndex, int state)
{
    DeviceInfo* device = deviceAt(proxyIndex);
    if (device && keepsHttps())
        device->httpsCheck = state;
}

void CheckBoxTableModel::checkedDevices(QList<DeviceInfo*>& out) const
{
    out = m_checkedList;
}

QModelIndex CheckBoxTableModel::toSource(const QModelIndex& index) const
{
    if (!index.isValid())
        return QModelIndex();
    if (index.model() == this)
        return index;
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model());
    if (!proxy || proxy->sourceModel() != this)
        return QModelIndex();
    return proxy->mapToSource(index);
}

DeviceInfo* CheckBoxTableModel::deviceAt(const QModelIndex& proxyIndex) const
{
    const QModelIndex source = toSource(proxyIndex);
    return source.isValid() ? static_cast<DeviceInfo*>(source.internalPointer()) : nullptr;
}

DeviceInfo* CheckBoxTableModel::deviceOfRow(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row) : nullptr;
}

void CheckBoxTableModel::updateDevice(const QModelIndex& statusCell, bool wholeRow)
{
    if (!statusCell.isValid())
        return;
    const int row = statusCell.row();
    DeviceInfo* device = deviceOfRow(row);
    const int columns = m_headers.size();
    if (!device || columns == 0)
        return;
    if (wholeRow) {
        emit dataChanged(createIndex(row, 0, device), createIndex(row, columns - 1, device), {});
    } else if (statusCell.column() < columns) {
        const QModelIndex cell = createIndex(row, statusCell.column(), device);
        emit dataChanged(cell, cell, {});
    }
}

bool CheckBoxTableModel::isSortableColumn(int column) const
{
    if (column == 0 || !m_statusSortLocked)
        return true;
    const QList<int> codes = cellCodesForCustomer(currentCustomer(), upgradeCellCodes);
    if (column < 1 || column > codes.size())
        return true;
    return codes.at(column - 1) != StatusCell;
}

int CheckBoxTableModel::httpsColumn() const
{
    return keepsHttps() ? m_headerIds.indexOf(HttpsHeader) : -1;
}

// ---- Columns by kind and customer ------------------------------------------

void CheckBoxTableModel::buildHeaders()
{
    GKAppSetting::instance()->addEventReceiver(this);
    m_headers.clear();
    m_headerIds = DeviceTableEditions::headerIds(currentCustomer(), m_kind);
    for (int id : qAsConst(m_headerIds))
        m_headers << TextTable::text(id);
    m_statusColumn = m_headers.indexOf(TextTable::text(StatusHeader));
    if (m_statusColumn < 0)
        m_statusColumn = m_headers.size() - 1;
}

void CheckBoxTableModel::initCellCodeMaps()
{
    const auto fill = [](const QVector<DeviceTableEditions::CellCodeRow>& rows) {
        CellCodeMap map;
        for (const DeviceTableEditions::CellCodeRow& row : rows)
            map.insert(row.editions, row.codes);
        return map;
    };
    upgradeCellCodes = fill(DeviceTableEditions::upgradeCellCodeRows());
    videoFormatCellCodes = fill(DeviceTableEditions::videoFormatCellCodeRows());
}

QList<int> CheckBoxTableModel::cellCodesForCustomer(int customer, const CellCodeMap& map)
{
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (it.key().contains(customer))
            return it.value();
    }
    return map.value(QList<int> { 0 });
}

// ---- Cell values ---------------------------------------------------------------

QVariant CheckBoxTableModel::displaySearch(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayUpgrade(int row, int column) const
{
    return displayByCodes(
        row, column, upgradeCellCodes, DeviceTableEditions::statusFamily(currentCustomer(), UpgradeTable));
}

QVariant CheckBoxTableModel::displayDeviceSettings(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayImportExport(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayPassword(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayExcel(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayRangeSearch(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayStream(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayOsd(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayRecovery(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayInitialise(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayReboot(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayChangeDevice(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayDeveloper(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayAutoUpgrade(int row, int column) const
{
    return displayByHeader(row, column);
}

QVariant CheckBoxTableModel::displayVideoFormat(int row, int column) const
{
    return displayByCodes(row, column, videoFormatCellCodes,
        DeviceTableEditions::statusFamily(currentCustomer(), VideoFormatTable));
}

QVariant CheckBoxTableModel::displayByHeader(int row, int column) const
{
    const DeviceInfo* device = deviceOfRow(row);
    if (!device || column < 0 || column >= m_headerIds.size())
        return QVariant();
    return headerCell(device, row, m_headerIds.at(column));
}

QVariant CheckBoxTableModel::displayByCodes(int row, int column, const CellCodeMap& map, int family) const
{
    if (column == 0)
        return row + 1;
    const QList<int> codes = cellCodesForCustomer(currentCustomer(), map);
    const DeviceInfo* device = deviceOfRow(row);
    if (!device || column < 1 || column > codes.size())
        return QVariant();
    return cellByCode(device, codes.at(column - 1), family);
}

QVariant CheckBoxTableModel::headerCell(const DeviceInfo* device, int row, int headerId) const
{
    const int customer = currentCustomer();
    const CellRule rule = DeviceTableEditions::cellRule(customer, m_kind, headerId);
    switch (headerId) {
    case RowNumberHeader:
        return row + 1;
    case AddressHeader:
    case ShortAddressHeader:
        return shapedAddress(device->ip(), rule);
    case MediaPortHeader:
        return rule == CellRule::NotAvailableWhenZero ? portOrNotAvailable(device->mediaPort())
                                                      : QVariant(device->mediaPort());
    case WebPortHeader:
        return device->webPort();
    case ChannelsHeader:
        return device->channelCount();
    case NameHeader:
        return rule == CellRule::ManufacturerWhenSingleChannel && device->channelCount() == 1
            ? device->manufacturer()
            : device->devName();
    case TypeHeader:
        return device->devType();
    case SoftwareHeader:
        return device->software();
    case MaskHeader:
        return shapedAddress(device->netmask(), rule);
    case GatewayHeader:
        return shapedAddress(device->gateway(), rule);
    case MacHeader:
    case ShortMacHeader:
        return device->mac();
    case NetworkModeHeader:
        return device->netModeText();
    case P2pHeader:
        return device->p2pId();
    case ActivatedHeader:
        if (rule == CellRule::YesNo)
            return device->isActivated() ? QStringLiteral("Yes") : QStringLiteral("No");
        return device->isActivated();
    case ProductionDateHeader:
        return device->devDataText();
    case Ipv6Header:
        return device->ipv6Text;
    case SerialNumberHeader:
        return device->serialNumber();
    case HttpsHeader:
        return QString(); // the delegate draws the box
    case QueriedVersionHeader:
        return device->queriedVersion;
    case MatchTextHeader:
        return device->upgradeMatchText();
    case ResolutionHeader:
        return device->resolutionText;
    case FrameRateHeader:
        return device->frameRateText;
    case CodecHeader:
        return device->codecText;
    case BitrateHeader:
        return shownBitrate(device);
    case ChannelNameHeader:
        return device->osdNameText;
    case NamePositionHeader:
        return device->osdNamePosText;
    case TimePositionHeader:
        return device->osdTimePosText;
    case TelnetHeader:
        return device->telnetSwitch;
    case ExportDiskHeader:
        return device->exportDiskSwitch;
    case StatusHeader:
        return device->statusText(DeviceTableEditions::statusFamily(customer, m_kind));
    default:
        return QVariant();
    }
}

QVariant CheckBoxTableModel::cellByCode(const DeviceInfo* device, int code, int family)
{
    if (!device)
        return QVariant();
    switch (code) {
    case IpCell:
        return device->ip();
    case MediaPortCell:
        return device->mediaPort();
    case MediaPortOrNaCell:
        return portOrNotAvailable(device->mediaPort());
    case WebPortCell:
        return device->webPort();
    case ChannelsCell:
        return device->channelCount();
    case NameCell:
        return device->devName();
    case SoftwareCell:
        return device->software();
    case MacCell:
        return device->mac();
    case StatusCell:
        return device->statusText(family);
    case QueriedVersionCell:
        return device->queriedVersion;
    case MatchTextCell:
        return device->upgradeMatchText();
    case VideoFormatCell:
        return device->videoFormat;
    case ActivatedCell:
        return device->isActivated();
    default:
        return QVariant();
    }
}

QString CheckBoxTableModel::padIpAddress(const QString& text)
{
    if (text.size() == 15)
        return text;
    int parts[4];
    return addressParts(text, parts) ? joinParts(parts, 3) : text;
}

QString CheckBoxTableModel::unpadIpAddress(const QString& text)
{
    int parts[4];
    return addressParts(text, parts) ? joinParts(parts, 0) : text;
}

// ---- QAbstractItemModel ------------------------------------------------------------

QModelIndex CheckBoxTableModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= m_rows.size() || column < 0 || column >= m_headers.size())
        return QModelIndex();
    DeviceInfo* device = m_rows.at(row);
    const QModelIndex made = createIndex(row, column, device);
    // The page finds the device's status cell again to repaint it.
    if (column == m_statusColumn && validKind(m_kind))
        device->statusCellIndex[m_kind] = made;
    return made;
}

// A table: no cell has children.
int CheckBoxTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int CheckBoxTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_headers.size();
}

QVariant CheckBoxTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    const int row = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        using Display = QVariant (CheckBoxTableModel::*)(int, int) const;
        static const Display kDisplays[kKindCount] = {
            &CheckBoxTableModel::displaySearch,
            &CheckBoxTableModel::displayUpgrade,
            &CheckBoxTableModel::displayDeviceSettings,
            &CheckBoxTableModel::displayImportExport,
            &CheckBoxTableModel::displayPassword,
            &CheckBoxTableModel::displayExcel,
            &CheckBoxTableModel::displayRangeSearch,
            &CheckBoxTableModel::displayStream,
            &CheckBoxTableModel::displayOsd,
            &CheckBoxTableModel::displayRecovery,
            &CheckBoxTableModel::displayInitialise,
            &CheckBoxTableModel::displayReboot,
            &CheckBoxTableModel::displayChangeDevice,
            &CheckBoxTableModel::displayDeveloper,
            &CheckBoxTableModel::displayAutoUpgrade,
            &CheckBoxTableModel::displayVideoFormat,
        };
        return validKind(m_kind) ? (this->*kDisplays[m_kind])(row, column) : QVariant();
    }
    case Qt::FontRole:
        if (column == 1 && currentRules().boldLink) {
            QFont font;
            font.setWeight(QFont::Bold);
            return font;
        }
        return QVariant();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (row == m_hoverRow)
            return QBrush(QColor::fromRgba(currentRules().hoverBackground));
        return QVariant();
    case Qt::ForegroundRole: {
        const DeviceTableEditions::Rules& rules = currentRules();
        const quint32 colour = column == 1 ? rules.linkText : rules.otherText;
        if (colour == DeviceTableEditions::kNoColour)
            return QVariant();
        return QColor::fromRgba(colour);
    }
    default:
        return QVariant();
    }
}

bool CheckBoxTableModel::setData(const QModelIndex&, const QVariant&, int)
{
    return false;
}

QVariant CheckBoxTableModel::headerData(int section, Qt::Orientation, int role) const
{
    if (role == Qt::DisplayRole)
        return section >= 0 && section < m_headers.size() ? QVariant(m_headers.at(section)) : QVariant();
    if (role == Qt::DecorationRole && section >= 1 && section < m_headers.size()
        && currentRules().headerWarningIcons) {
        static const QIcon warning(QStringLiteral(":/icons/Resource/warning.png"));
        return warning;
    }
    return QVariant();
}

Qt::ItemFlags CheckBoxTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags
        = Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled | Qt::ItemIsEnabled;
    // Column 2 carries the https box of the search tables.
    if (index.column() == m_checkColumn || index.column() == 2)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

void CheckBoxTableModel::customEvent(QEvent* event)
{
    if (event->type() == LanguageChangedEvent || event->type() == ProtocolChangedEvent) {
        beginResetModel();
        buildHeaders();
        endResetModel();
    }
}

// The meta-object code here rather than in the core's shared moc unit, so
// that a program using other parts of the core does not load Qt Gui.
#include "moc_CheckBoxTableModel.cpp"
