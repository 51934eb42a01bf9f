#include "search/table/ui/CheckBoxTableView.h"

#include "devices/DeviceInfo.h"
#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "search/table/ui/CheckBoxHeaderView.h"
#include "search/table/ui/CheckBoxTableDelegate.h"
#include "shell/GKAppSetting.h"
#include "shell/edition/DeviceTableEditions.h"
#include "shell/ui/Dialogs.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <mutex>

// Outside any namespace: Q_INIT_RESOURCE names a global function.
static void initDeviceTableQrc()
{
    Q_INIT_RESOURCE(devicetable);
}

namespace
{

constexpr int kHeaderHeight = 30;
// The column of the address that opens the device's web page.
constexpr int kLinkColumn = 1;
// The message of a refused check: only devices of one name go together.
constexpr int kSameNameText = 125;

} // namespace

void CheckBoxTableView::initResources()
{
    static std::once_flag once;
    std::call_once(once, initDeviceTableQrc);
}

CheckBoxTableView::CheckBoxTableView(QWidget* parent)
    : QTableView(parent)
{
    initResources();
    const DeviceTableEditions::Rules& rules
        = DeviceTableEditions::rules(GKAppSetting::instance()->customerId());

    m_header = new CheckBoxHeaderView(Qt::Horizontal, this);
    setHorizontalHeader(m_header);
    connect(m_header, &CheckBoxHeaderView::updateHeadCheckStateToModel, this,
        &CheckBoxTableView::updateHeadCheckStateToModel);
    connect(m_header, &QHeaderView::sectionClicked, this, &CheckBoxTableView::sortByColumnRes);
    connect(m_header, &CheckBoxHeaderView::updateHeadHttpsCheckStateToModel, this,
        &CheckBoxTableView::updateHeadHttpsCheckStateToModel);

    m_header->setSectionsClickable(true);
    m_header->setVisible(true);
    m_header->setFixedHeight(kHeaderHeight);
    m_header->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setVisible(false);

    setShowGrid(false);
    setFocusPolicy(Qt::NoFocus);
    setAlternatingRowColors(!rules.copyableCells);
    setMouseTracking(true);
    m_header->setStretchLastSection(rules.stretchLastSection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // No cell is editable by its flags: the only editors are the read-only
    // ones the delegate opens on a right click.
    setEditTriggers(
        rules.copyableCells ? QAbstractItemView::CurrentChanged : QAbstractItemView::NoEditTriggers);
}

void CheckBoxTableView::setCheckModel(TableViewSortProxy* proxy, int checkColumn)
{
    installModel(proxy, checkColumn, -1);
}

void CheckBoxTableView::setCheckModelWithHttps(TableViewSortProxy* proxy, int checkColumn, int httpsColumn)
{
    installModel(proxy, checkColumn, httpsColumn);
}

void CheckBoxTableView::installModel(TableViewSortProxy* proxy, int checkColumn, int httpsColumn)
{
    m_header->setCheckSection(checkColumn);
    m_header->setHttpsSection(httpsColumn);
    setModel(proxy);
    CheckBoxTableModel* source = sourceModelOf(proxy);
    Q_ASSERT(source);
    if (!source)
        return;
    CheckBoxTableDelegate* previous = m_delegate;
    m_delegate = new CheckBoxTableDelegate(checkColumn, httpsColumn, source->tableKind(), this);
    connect(source, &CheckBoxTableModel::dataChangeToheader, this,
        &CheckBoxTableView::updateHeadCheckStateToDelgate, Qt::UniqueConnection);
    connect(source, &CheckBoxTableModel::dataChangeToHttpsHeader, this,
        &CheckBoxTableView::updateHeadHttpsCheckStateToDelgate, Qt::UniqueConnection);
    connect(source, &CheckBoxTableModel::checkRefused, this, &CheckBoxTableView::showCheckRefused,
        Qt::UniqueConnection);
    setItemDelegate(m_delegate);
    delete previous;
}

CheckBoxTableModel* CheckBoxTableView::checkModel() const
{
    return sourceModelOf(qobject_cast<const QAbstractProxyModel*>(model()));
}

Qt::CheckState CheckBoxTableView::headCheckState() const
{
    return m_header ? m_header->checkState() : Qt::Unchecked;
}

QModelIndex CheckBoxTableView::sourceIndex(const QModelIndex& proxyIndex)
{
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(proxyIndex.model());
    return proxy ? proxy->mapToSource(proxyIndex) : QModelIndex();
}

void CheckBoxTableView::updateHeadCheckStateToModel(Qt::CheckState state)
{
    if (CheckBoxTableModel* source = checkModel())
        source->setAllCheckState(state);
    emit headCheckChanged(state);
}

void CheckBoxTableView::updateHeadCheckStateToDelgate(Qt::CheckState state)
{
    if (m_header)
        m_header->setCheckState(state);
}

void CheckBoxTableView::updateHeadHttpsCheckStateToModel(Qt::CheckState state)
{
    if (CheckBoxTableModel* source = checkModel())
        source->setAllHttpsState(state);
    emit headHttpsCheckChanged(state);
}

void CheckBoxTableView::updateHeadHttpsCheckStateToDelgate(Qt::CheckState state)
{
    if (m_header)
        m_header->setHttpsState(state);
}

void CheckBoxTableView::sortByColumnRes(int column)
{
    const CheckBoxTableModel* source = checkModel();
    if (source && source->isSortableColumn(column))
        sortByColumn(column, m_header->sortIndicatorOrder());
}

void CheckBoxTableView::showCheckRefused(DeviceInfo*)
{
    Dialogs::message(this, kSameNameText, GKMessageBox::OkOnly, GKMessageBox::AboutIcon);
}

// ---- Hover row -------------------------------------------------------------------

void CheckBoxTableView::setHoverRow(int row)
{
    if (row == m_hoverRow)
        return;
    CheckBoxTableModel* source = checkModel();
    if (!source)
        return;
    source->setHoverRow(row);
    const int before = m_hoverRow;
    m_hoverRow = row;
    repaintSourceRow(before);
    repaintSourceRow(row);
}

void CheckBoxTableView::repaintSourceRow(int sourceRow)
{
    const auto* proxy = qobject_cast<const QAbstractProxyModel*>(model());
    CheckBoxTableModel* source = checkModel();
    if (sourceRow < 0 || !proxy || !source || sourceRow >= source->rowCount())
        return;
    const QModelIndex shown = proxy->mapFromSource(source->index(sourceRow, 0));
    if (!shown.isValid())
        return;
    viewport()->update(
        QRect(0, rowViewportPosition(shown.row()), viewport()->width(), rowHeight(shown.row())));
}

void CheckBoxTableView::mouseMoveEvent(QMouseEvent* event)
{
    const QModelIndex source = sourceIndex(indexAt(event->pos()));
    viewport()->setCursor(
        source.isValid() && source.column() == kLinkColumn ? Qt::PointingHandCursor : Qt::ArrowCursor);
    setHoverRow(source.isValid() ? source.row() : -1);
    QTableView::mouseMoveEvent(event);
}

void CheckBoxTableView::wheelEvent(QWheelEvent* event)
{
    const QModelIndex source = sourceIndex(indexAt(event->position().toPoint()));
    setHoverRow(source.isValid() ? source.row() : -1);
    QTableView::wheelEvent(event);
}

void CheckBoxTableView::leaveEvent(QEvent* event)
{
    setHoverRow(-1);
    QTableView::leaveEvent(event);
}
