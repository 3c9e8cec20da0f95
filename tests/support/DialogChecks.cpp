#include "support/DialogChecks.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

namespace {

QString describe(const QWidget *widget, const QString &text)
{
    return QStringLiteral("%1 %2 '%3'")
        .arg(QString::fromLatin1(widget->metaObject()->className()), widget->objectName(), text);
}

// The text as shown: "&Spalte" reads Spalte, "&&" is one ampersand.
QString shown(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    return text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

bool textFits(const QWidget *widget, const QString &text, int room)
{
    return widget->fontMetrics().horizontalAdvance(shown(text)) <= room;
}

} // namespace

QStringList clippedTexts(const QWidget *window)
{
    QStringList clipped;
    const QRect inside = window->rect();
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window || !widget->isVisibleTo(window))
            continue;
        const QRect placed(widget->mapTo(window, QPoint(0, 0)), widget->size());
        if (!inside.contains(placed))
            clipped << describe(widget, QStringLiteral("reicht über das Fenster hinaus"));
        // Buttons hold their text in their contents area, labels and frames
        // need at least their minimum size, boxes and fields hold their text
        // in their edit area.
        if (const auto *button = qobject_cast<const QPushButton *>(widget)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect contents =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            if (!textFits(button, button->text(), contents.width()) ||
                contents.height() < button->fontMetrics().height())
                clipped << describe(button, button->text());
        } else if (const auto *check = qobject_cast<const QAbstractButton *>(widget)) {
            if (check->width() < check->minimumSizeHint().width() ||
                check->height() < check->minimumSizeHint().height())
                clipped << describe(check, check->text());
        } else if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            if (label->width() < label->minimumSizeHint().width() ||
                label->height() < label->minimumSizeHint().height())
                clipped << describe(label, label->text());
        } else if (const auto *frame = qobject_cast<const QGroupBox *>(widget)) {
            if (frame->width() < frame->minimumSizeHint().width() ||
                frame->height() < frame->minimumSizeHint().height())
                clipped << describe(frame, frame->title());
        } else if (const auto *box = qobject_cast<const QComboBox *>(widget)) {
            if (box->isEditable())
                continue; // its line edit is checked as a field
            QStyleOptionComboBox option;
            option.initFrom(box);
            const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                             QStyle::SC_ComboBoxEditField, box);
            if (!textFits(box, box->currentText(), field.width()))
                clipped << describe(box, box->currentText());
        } else if (const auto *field = qobject_cast<const QLineEdit *>(widget)) {
            const QMargins margins = field->textMargins();
            const int room = field->contentsRect().width() - margins.left() - margins.right() - 4;
            if (field->echoMode() == QLineEdit::Normal &&
                field->fontMetrics().horizontalAdvance(field->text()) > room)
                clipped << describe(field, field->text());
        }
    }
    return clipped;
}

QStringList mnemonicProblems(const QWidget *window, const QStringList &exempt)
{
    QStringList problems;
    QMap<QString, QString> owners; // letter -> text that has it
    const auto take = [&](const QWidget *widget, const QString &text, bool required) {
        const QKeySequence mnemonic = QKeySequence::mnemonic(text);
        if (mnemonic.isEmpty()) {
            if (required)
                problems << describe(widget, text) + QStringLiteral(" ohne Mnemonic");
            return;
        }
        const QString key = mnemonic.toString(QKeySequence::PortableText).toUpper();
        if (owners.contains(key))
            problems << QStringLiteral("%1 doppelt: '%2' und '%3'").arg(key, owners[key], text);
        owners.insert(key, text);
    };
    for (const QWidget *widget : window->findChildren<QWidget *>()) {
        if (widget->window() != window)
            continue; // a popup's, such as the calendar's
        if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
            take(button, button->text(), !exempt.contains(button->text()));
        else if (const auto *label = qobject_cast<const QLabel *>(widget))
            take(label, label->text(), label->buddy() != nullptr);
        else if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
            take(frame, frame->title(), false);
    }
    return problems;
}
