#include "search/table/TableViewSortProxy.h"

#include "devices/DeviceTexts.h"
#include "search/table/CheckBoxTableModel.h"

namespace
{

// The address as one number, first part highest; 0 for a text that is no
// dotted IPv4 address.
quint32 addressValue(const QByteArray& text, bool* isAddress = nullptr)
{
    unsigned char bytes[4] = {};
    const bool ok = parseIPv4(text.constData(), bytes) == 1;
    if (isAddress)
        *isAddress = ok;
    if (!ok)
        return 0;
    return (quint32(bytes[0]) << 24) | (quint32(bytes[1]) << 16) | (quint32(bytes[2]) << 8)
        | quint32(bytes[3]);
}

} // namespace

TableViewSortProxy::TableViewSortProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{
}

bool TableViewSortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const QAbstractItemModel* model = sourceModel();
    if (!model)
        return false;
    const QVariant a = model->data(left, Qt::DisplayRole);
    const QVariant b = model->data(right, Qt::DisplayRole);
    if (!a.isValid() || !b.isValid())
        return false;
    if (a.type() == QVariant::String) {
        const QString leftText = a.toString();
        const QString rightText = b.toString();
        bool leftIsAddress = false;
        const quint32 leftAddress = addressValue(leftText.toLatin1(), &leftIsAddress);
        if (leftIsAddress)
            return leftAddress < addressValue(rightText.toLatin1());
        return QString::localeAwareCompare(leftText, rightText) < 0;
    }
    if (a.type() == QVariant::Int)
        return a.toInt() < b.toInt();
    return false;
}

CheckBoxTableModel* sourceModelOf(const QAbstractProxyModel* proxy)
{
    return proxy ? qobject_cast<CheckBoxTableModel*>(proxy->sourceModel()) : nullptr;
}

// The meta-object code here rather than in the core's shared moc unit, so
// that a program using other parts of the core does not load Qt Gui.
#include "moc_TableViewSortProxy.cpp"
