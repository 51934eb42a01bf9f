#pragma once
// The view of every device table. A page makes the view and its model, and
// shows the model's sort proxy:
//
//   auto* view = new CheckBoxTableView(this);
//   auto* model = new CheckBoxTableModel(view, CheckBoxTableModel::StreamTable);
//   view->setCheckModel(model->sortProxy(), 0);
//   // a search table with https boxes (the box shows where column 2 is
//   // headed by the https text):
//   view->setCheckModelWithHttps(model->sortProxy(), 0, 2);
//
// What all tables share: a header whose check box checks or unchecks every
// shown row (and the https box of the search tables), row check boxes that a
// left click inside the box toggles, a hover row painted by the model, a
// pointing hand over the link column (column 1), whole-row single selection,
// sorting by a clicked header (IPv4 texts as numbers), and the edition's
// message when the model refuses a check.
//
// GUI thread only.
#include <QTableView>

class CheckBoxHeaderView;
class CheckBoxTableDelegate;
class CheckBoxTableModel;
class DeviceInfo;
class TableViewSortProxy;

class CheckBoxTableView : public QTableView
{
    Q_OBJECT

public:
    explicit CheckBoxTableView(QWidget* parent = nullptr);

    // Registers the table's part of the style sheet (the program's sheet is
    // read at start-up, before any view exists). Idempotent.
    static void initResources();

    // Shows `proxy` (whose source must be a CheckBoxTableModel) with row
    // boxes in `checkColumn` (-1: none) and, for the second, https boxes in
    // `httpsColumn`.
    void setCheckModel(TableViewSortProxy* proxy, int checkColumn);
    void setCheckModelWithHttps(TableViewSortProxy* proxy, int checkColumn, int httpsColumn);

    // The state the header's box shows; Unchecked without a header.
    Qt::CheckState headCheckState() const;
    CheckBoxHeaderView* checkHeader() const { return m_header; }
    CheckBoxTableDelegate* checkDelegate() const { return m_delegate; }
    // The model behind the view's proxy; null before setCheckModel.
    CheckBoxTableModel* checkModel() const;

    // The source row under the mouse (-1: none); the model paints its
    // background.
    int hoverRow() const { return m_hoverRow; }
    void setHoverRow(int row);

    // A proxy index mapped to its source model; invalid when the index has
    // no proxy model.
    static QModelIndex sourceIndex(const QModelIndex& proxyIndex);

signals:
    void headCheckChanged(Qt::CheckState state);
    void headHttpsCheckChanged(Qt::CheckState state);

public slots:
    // The header's box was pressed: set every shown row.
    void updateHeadCheckStateToModel(Qt::CheckState state);
    // The model's checked list changed: the header's box follows.
    void updateHeadCheckStateToDelgate(Qt::CheckState state);
    // A header section was clicked: sort by it where the model allows.
    void sortByColumnRes(int column);
    void updateHeadHttpsCheckStateToModel(Qt::CheckState state);
    void updateHeadHttpsCheckStateToDelgate(Qt::CheckState state);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void installModel(TableViewSortProxy* proxy, int checkColumn, int httpsColumn);
    void repaintSourceRow(int sourceRow);
    void showCheckRefused(DeviceInfo* device);

    CheckBoxHeaderView* m_header = nullptr;
    CheckBoxTableDelegate* m_delegate = nullptr;
    int m_hoverRow = -1;
};
