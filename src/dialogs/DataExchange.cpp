#include "dialogs/DataExchange.h"

#include "platform/TextLength.h"
#include "platform/UserMessages.h"
#include "xml/CXmlHelper.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace DataExchange {

namespace {

bool refuse(QLineEdit *field, const QString &message)
{
    qrt::warn(message, field->window());
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return false;
}

} // namespace

std::optional<int> parseInt(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[-+]?\\d+\\s*$"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

QString integerMessage()
{
    return QStringLiteral("Geben Sie eine ganze Zahl ein.");
}

QString rangeMessage(int minimum, int maximum)
{
    return QStringLiteral("Geben Sie eine ganze Zahl zwischen %1 und %2 ein.")
        .arg(minimum)
        .arg(maximum);
}

QString lengthMessage(int maximum)
{
    return QStringLiteral("Geben Sie nicht mehr als %1 Zeichen ein.").arg(maximum);
}

QString controlCharacterMessage()
{
    return QStringLiteral("Geben Sie keine Steuerzeichen ein.");
}

bool takeInt(QLineEdit *field, int minimum, int maximum, int &value)
{
    const std::optional<int> number = parseInt(field->text());
    if (!number || *number < minimum || *number > maximum)
        return refuse(field, rangeMessage(minimum, maximum));
    value = *number;
    return true;
}

bool takeInt(QLineEdit *field, int &value)
{
    const std::optional<int> number = parseInt(field->text());
    if (!number)
        return refuse(field, integerMessage());
    value = *number;
    return true;
}

bool takeText(QLineEdit *field, int maximum, QString &value)
{
    if (TextLength::characters(field->text()) > maximum)
        return refuse(field, lengthMessage(maximum));
    // Such a character would make the stored layout unreadable.
    if (!CXmlHelper::canCarry(field->text()))
        return refuse(field, controlCharacterMessage());
    value = field->text();
    return true;
}

QLineEdit *numberField(QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[-+]?\\d{0,9}")), field));
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return field;
}

} // namespace DataExchange
