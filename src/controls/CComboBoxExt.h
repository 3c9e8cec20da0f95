#ifndef QRT_CONTROLS_CCOMBOBOXEXT_H
#define QRT_CONTROLS_CCOMBOBOXEXT_H

#include "qrt_export.h"

#include <QComboBox>

// A combo box whose entries carry a number (a column position, a condition
// code) as item data, read back for the selected entry. The filter dialog
// reads its column and condition boxes through it.
class QRT_AUTOTEST_EXPORT CComboBoxExt : public QComboBox
{
    Q_OBJECT

public:
    using QComboBox::QComboBox;

    // The item data of the selected entry, or -1 when none is selected.
    [[nodiscard]] int GetSelectedData() const;
    // The same, and the selected entry's text in text ("" when none).
    int GetSelectedData(QString &text) const;
};

#endif // QRT_CONTROLS_CCOMBOBOXEXT_H
