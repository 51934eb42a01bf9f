#pragma once
// Small helpers for widgets that several windows share. GUI thread only.

class QComboBox;
class QVariant;
class QWidget;

// Fixes the combo box's width to its widest item text plus 40 pixels (40 for
// an empty box), so translated entries are never cut.
void fitComboBoxWidth(QComboBox* box);

// Sets a look of the edition as the Qt property `name` of `widget`, for the
// style sheet to select (`#DialogFrame[darkBody="true"] ...`). A widget that
// is already polished, and its children, are polished again, since Qt does
// not look at the style sheet again when a property changes.
void setStyleVariant(QWidget* widget, const char* name, const QVariant& value);
