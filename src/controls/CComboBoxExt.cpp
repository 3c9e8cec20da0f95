#include "controls/CComboBoxExt.h"

int CComboBoxExt::GetSelectedData() const
{
    const int index = currentIndex();
    if (index < 0)
        return -1;
    bool ok = false;
    const int data = itemData(index).toInt(&ok);
    return ok ? data : -1;
}

int CComboBoxExt::GetSelectedData(QString &text) const
{
    const int index = currentIndex();
    text = index < 0 ? QString() : itemText(index);
    return GetSelectedData();
}
