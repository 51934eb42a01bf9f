#include "shell/ui/WidgetUtilities.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QStyle>
#include <QVariant>
#include <QWidget>

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

void setStyleVariant(QWidget* widget, const char* name, const QVariant& value)
{
    if (!widget)
        return;
    widget->setProperty(name, value);
    if (!widget->testAttribute(Qt::WA_WState_Polished))
        return;
    QList<QWidget*> polished { widget };
    polished += widget->findChildren<QWidget*>();
    for (QWidget* w : polished) {
        if (!w->testAttribute(Qt::WA_WState_Polished))
            continue;
        w->style()->unpolish(w);
        w->style()->polish(w);
        w->update();
    }
}
