#include "shell/ui/WidgetUtilities.h"

#include <QComboBox>
#include <QFontMetrics>

void fitComboBoxWidth(QComboBox* box)
{
    if (!box)
        return;
    const QFontMetrics metrics(box->font());
    int widest = 0;
    for (int i = 0; i < box->count(); ++i)
        widest = qMax(widest, metrics.horizontalAdvance(box->itemText(i)));
    box->setFixedWidth(widest + 40);
    box->updateGeometry();
}
