#pragma once
// The sort and filter proxy of every device table (made by
// CheckBoxTableModel::sortProxy). Pages set its filter key column and
// pattern; the view sorts it by clicked column. Rows compare by their display
// values: IPv4 texts as numbers (10.0.0.2 before 10.0.0.10), other texts by
// the locale, integers as numbers; two flags never sort before each other.
//
// GUI thread only.
#include <QSortFilterProxyModel>

class CheckBoxTableModel;

class TableViewSortProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit TableViewSortProxy(QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// The device table model behind `proxy`; null for a null proxy or another
// source model.
CheckBoxTableModel* sourceModelOf(const QAbstractProxyModel* proxy);
