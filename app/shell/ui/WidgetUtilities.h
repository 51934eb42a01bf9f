#pragma once
// Small helpers for widgets that several windows share. GUI thread only.

class QComboBox;

// Fixes the combo box's width to its widest item text plus 40 pixels (40 for
// an empty box), so translated entries are never cut.
void fitComboBoxWidth(QComboBox* box);
