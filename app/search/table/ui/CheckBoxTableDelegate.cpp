#include "search/table/ui/CheckBoxTableDelegate.h"

#include "search/table/CheckBoxTableModel.h"
#include "search/table/TableViewSortProxy.h"
#include "shell/GKAppSetting.h"
#include "shell/edition/DeviceTableEditions.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

namespace
{

bool copyableCells()
{
    return DeviceTableEditions::rules(GKAppSetting::instance()->customerId()).copyableCells;
}

} // namespace

CheckBoxTableDelegate::CheckBoxTableDelegate(int checkColumn, int httpsColumn, int tableKind, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_checkColumn(checkColumn)
    , m_httpsColumn(httpsColumn)
    , m_tableKind(tableKind)
{
}

CheckBoxTableModel* CheckBoxTableDelegate::sourceOf(const QModelIndex& index)
{
    return sourceModelOf(qobject_cast<const QAbstractProxyModel*>(index.model()));
}

bool CheckBoxTableDelegate::isCheckCell(const QModelIndex& index) const
{
    return m_checkColumn != -1 && index.column() == m_checkColumn;
}

bool CheckBoxTableDelegate::isHttpsCell(const QModelIndex& index) const
{
    if (m_httpsColumn == -1 || index.column() != m_httpsColumn)
        return false;
    const CheckBoxTableModel* source = sourceOf(index);
    return source && source->httpsColumn() == m_httpsColumn;
}

bool CheckBoxTableDelegate::isCopyableCell(const QModelIndex& index) const
{
    return m_tableKind == CheckBoxTableModel::SearchTable && copyableCells()
        && DeviceTableEditions::copyableColumns().contains(index.column());
}

void CheckBoxTableDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    const CheckBoxTableModel* source = sourceOf(index);
    const bool check = isCheckCell(index);
    if (source && (check || isHttpsCell(index))) {
        option->index = index;
        option->features |= QStyleOptionViewItem::HasCheckIndicator;
        option->checkState = Qt::CheckState(check ? source->checkState(index) : source->httpsState(index));
    } else if (index.column() == 1) {
        option->index = index;
        option->font.setUnderline(true);
    }
    QStyledItemDelegate::initStyleOption(option, index);
}

bool CheckBoxTableDelegate::editorEvent(
    QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    auto* view = qobject_cast<QTableView*>(parent());
    const bool press = event->type() == QEvent::MouseButtonPress;
    if (press && m_tableKind == CheckBoxTableModel::SearchTable && copyableCells() && view
        && m_editorIndex.isValid()) {
        view->closePersistentEditor(m_editorIndex);
        m_editorIndex = QPersistentModelIndex();
    }

    CheckBoxTableModel* source = sourceOf(index);
    const bool check = isCheckCell(index);
    if (press && source && (check || isHttpsCell(index)) && (model->flags(index) & Qt::ItemIsUserCheckable)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        QStyleOptionViewItem styled = option;
        initStyleOption(&styled, index);
        const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        const QRect indicator
            = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &styled, option.widget);
        if (!indicator.contains(mouse->pos()))
            return false;
        if (check) {
            source->setCheckState(
                index, source->checkState(index) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            source->updateCheckedList();
        } else {
            source->setHttpsState(
                index, source->httpsState(index) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            source->updateHttpsList();
        }
        // The model announces no change of a single mark: repaint the box.
        if (view)
            view->viewport()->update(option.rect);
        return true;
    }

    if (event->type() == QEvent::MouseButtonPress && isCopyableCell(index) && view
        && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        m_editorIndex = index;
        view->openPersistentEditor(index);
    }
    return false;
}

QWidget* CheckBoxTableDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (!isCopyableCell(index))
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* edit = new CustomLineEdit(parent);
    edit->setFocus();
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignHCenter);
    return edit;
}

void CheckBoxTableDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (!isCopyableCell(index))
        return;
    if (auto* edit = qobject_cast<QLineEdit*>(editor))
        edit->setText(index.data(Qt::DisplayRole).toString());
}

void CheckBoxTableDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (isCopyableCell(index))
        editor->setGeometry(option.rect);
}

CustomLineEdit::CustomLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
}

void CustomLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createStandardContextMenu();
    menu->setStyleSheet(QStringLiteral("QMenu {color: #000000;}"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
