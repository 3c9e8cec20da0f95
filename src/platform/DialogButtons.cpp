#include "DialogButtons.h"

#include "DialogUnits.h"

#include <QDialog>
#include <QPushButton>

namespace qrt {

void setButtonWidth(const DialogUnits &units, std::initializer_list<QPushButton *> buttons)
{
    for (QPushButton *button : buttons)
        button->setMinimumWidth(qMax(units.x(50), button->sizeHint().width()));
}

OkCancelButtons makeOkCancelButtons(QDialog *dialog, const DialogUnits &units)
{
    OkCancelButtons buttons;
    buttons.ok = named(new QPushButton(QStringLiteral("&OK"), dialog), "ok", 1);
    buttons.ok->setDefault(true);
    buttons.cancel = named(new QPushButton(QStringLiteral("&Abbrechen"), dialog), "cancel", 2);
    // accept() is virtual: the dialog's own check runs.
    QObject::connect(buttons.ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(buttons.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    setButtonWidth(units, {buttons.ok, buttons.cancel});
    return buttons;
}

} // namespace qrt
