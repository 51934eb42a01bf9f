#pragma once
// The cells of every device table: draws the row check boxes (from the
// model's check states, not from a data role) and the https boxes, toggles a
// box on a left press inside its indicator, underlines the link column
// (column 1, the address that opens the device's web page) and, for the
// editions with copyable cells, opens a read-only editor on a right click in
// some cells of the search table so that its text can be copied.
//
// Made by CheckBoxTableView::setCheckModel with the view as parent. GUI
// thread only.
#include <QLineEdit>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class CheckBoxTableModel;

class CheckBoxTableDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    // `checkColumn`, `httpsColumn`: -1 for none. `tableKind`: the source
    // model's kind.
    CheckBoxTableDelegate(int checkColumn, int httpsColumn, int tableKind, QObject* parent);

    int checkColumn() const { return m_checkColumn; }
    int httpsColumn() const { return m_httpsColumn; }

    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
        const QModelIndex& index) override;
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    static CheckBoxTableModel* sourceOf(const QModelIndex& index);
    bool isCheckCell(const QModelIndex& index) const;
    bool isHttpsCell(const QModelIndex& index) const;
    // A cell whose text a right click opens for copying.
    bool isCopyableCell(const QModelIndex& index) const;

    int m_checkColumn;
    int m_httpsColumn;
    int m_tableKind;
    // The cell whose read-only editor is open.
    QPersistentModelIndex m_editorIndex;
};

// The read-only editor of a copyable cell: a line edit whose context menu
// is readable on any background.
class CustomLineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit CustomLineEdit(QWidget* parent = nullptr);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
