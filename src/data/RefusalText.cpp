#include "data/RefusalText.h"

#include <QRegularExpression>

namespace {

using Rule = EngineRefusal::Rule;

// "A", "A und B", "A, B und C"
QString listed(const QStringList &names)
{
    if (names.size() < 2)
        return names.value(0);
    return QStringList(names.mid(0, names.size() - 1)).join(QStringLiteral(", ")) +
           QStringLiteral(" und ") + names.last();
}

// The captions of the refusal's columns, and how to speak of them.
struct Fields
{
    QString names;
    int count = 0;
    // "Das Feld Name" / "Die Felder Vorname und Name"
    QString subject() const
    {
        return (count > 1 ? QStringLiteral("Die Felder ") : QStringLiteral("Das Feld ")) + names;
    }
    // "im Feld Menge" / "der Felder Beginn und Ende"
    QString valueOf() const
    {
        return count > 1 ? QStringLiteral("Die Werte der Felder ") + names
                         : QStringLiteral("Der Wert im Feld ") + names;
    }
};

Fields fieldsOf(const EngineRefusal &refusal, const QHash<QString, QString> &captions)
{
    QStringList names;
    for (const QString &column : refusal.columns)
        names << RefusalText::caption(captions, column);
    return Fields{listed(names), int(names.size())};
}

QString ruleName(const EngineRefusal &refusal)
{
    return refusal.constraint.isEmpty() ? QStringLiteral("eine Regel der Datenbank")
                                        : QStringLiteral("die Regel ") + refusal.constraint;
}

// " (Regel name)", or nothing where the rule has no name.
QString ruleAside(const EngineRefusal &refusal)
{
    return refusal.constraint.isEmpty() ? QString()
                                        : QStringLiteral(" (Regel %1)").arg(refusal.constraint);
}

QString inTable(const QString &table)
{
    return table.isEmpty() ? QString() : QStringLiteral(" in der Tabelle ") + table;
}

// What a whole-number or fixed-point type holds, where that can be said
// in a few words.
QString rangeOf(const QString &typeName)
{
    static const QRegularExpression numeric(
        QStringLiteral("^(?:numeric|decimal)\\s*\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString type = typeName.trimmed().toLower();
    if (type == QLatin1String("smallint") || type == QLatin1String("int2"))
        return QStringLiteral("ganze Zahlen von -32.768 bis 32.767");
    if (type == QLatin1String("integer") || type == QLatin1String("int") ||
        type == QLatin1String("int4"))
        return QStringLiteral("ganze Zahlen von -2.147.483.648 bis 2.147.483.647");
    if (type == QLatin1String("bigint") || type == QLatin1String("int8"))
        return QStringLiteral("ganze Zahlen von -9.223.372.036.854.775.808 bis "
                              "9.223.372.036.854.775.807");
    const QRegularExpressionMatch match = numeric.match(type);
    if (!match.hasMatch())
        return QString();
    const int before = match.captured(1).toInt() - match.captured(2).toInt();
    if (before <= 0)
        return QStringLiteral("Zahlen kleiner als 1");
    return before == 1
               ? QStringLiteral("Zahlen mit einer Stelle vor dem Komma")
               : QStringLiteral("Zahlen mit höchstens %1 Stellen vor dem Komma").arg(before);
}

// An array's text for the type's elements: {1,2} for numbers, {a,b} else.
QString arrayForm(const QString &typeName)
{
    static const QRegularExpression number(
        QStringLiteral("^(smallint|integer|int|int2|int4|int8|bigint|numeric|decimal|real|"
                       "double precision)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return number.match(typeName.trimmed()).hasMatch() ? QStringLiteral("{1,2}")
                                                       : QStringLiteral("{a,b}");
}

QString sentence(const EngineRefusal &refusal, RefusalText::Action action, const Fields &fields)
{
    switch (refusal.rule) {
    case Rule::Unique:
        if (fields.count == 1)
            return fields.subject() +
                   QStringLiteral(" muss eindeutig sein: ein anderer Datensatz hat schon diesen "
                                  "Wert. Bitte geben Sie einen anderen ein.");
        if (fields.count > 1)
            return fields.subject() +
                   QStringLiteral(" müssen zusammen eindeutig sein: ein anderer Datensatz hat "
                                  "schon diese Werte. Bitte ändern Sie einen davon.");
        return QStringLiteral("Ein anderer Datensatz hat schon dieselben Werte%1. Bitte ändern "
                              "Sie Ihre Eingaben.")
            .arg(ruleAside(refusal));
    case Rule::MissingParent: {
        const QString target = QStringLiteral(" auf einen Datensatz, den es%1 nicht gibt.")
                                   .arg(inTable(refusal.otherTable));
        if (fields.count == 0)
            return QStringLiteral("Der Datensatz verweist") + target;
        return fields.subject() +
               (fields.count > 1 ? QStringLiteral(" verweisen") : QStringLiteral(" verweist")) +
               target +
               (fields.count > 1 ? QStringLiteral(" Bitte geben Sie vorhandene Werte ein.")
                                 : QStringLiteral(" Bitte geben Sie einen vorhandenen Wert ein."));
    }
    case Rule::StillReferenced: {
        const QString why = refusal.otherTable.isEmpty()
                                ? QStringLiteral("andere Datensätze verweisen noch auf ")
                                : QStringLiteral("in der Tabelle %1 verweisen noch Datensätze auf ")
                                      .arg(refusal.otherTable);
        if (action == RefusalText::Action::Delete)
            return QStringLiteral("Der Datensatz kann nicht gelöscht werden: ") + why +
                   QStringLiteral("ihn.");
        if (action == RefusalText::Action::DeleteSeveral)
            return QStringLiteral("Die Datensätze können nicht gelöscht werden: ") + why +
                   QStringLiteral("einen von ihnen. Keiner wurde gelöscht.");
        if (fields.count == 0)
            return QStringLiteral("Der Datensatz kann so nicht gespeichert werden: ") + why +
                   QStringLiteral("ihn.");
        return fields.subject() +
               (fields.count > 1 ? QStringLiteral(" können") : QStringLiteral(" kann")) +
               QStringLiteral(" nicht geändert werden: ") + why +
               (fields.count > 1 ? QStringLiteral("die bisherigen Werte.")
                                 : QStringLiteral("den bisherigen Wert."));
    }
    case Rule::NotNull:
        if (fields.count == 0)
            return QStringLiteral("Ein Feld, das einen Wert enthalten muss, ist leer.");
        return fields.subject() + (fields.count > 1
                                       ? QStringLiteral(" müssen einen Wert enthalten.")
                                       : QStringLiteral(" muss einen Wert enthalten."));
    case Rule::Check:
        if (fields.count == 0)
            return QStringLiteral("Der Datensatz verstößt gegen %1. Bitte korrigieren Sie Ihre "
                                  "Eingaben.")
                .arg(ruleName(refusal));
        return fields.valueOf() +
               (fields.count > 1 ? QStringLiteral(" verstoßen gegen %1. Bitte korrigieren Sie "
                                                  "sie.")
                                 : QStringLiteral(" verstößt gegen %1. Bitte korrigieren Sie "
                                                  "ihn."))
                   .arg(ruleName(refusal));
    case Rule::Exclusion:
        if (fields.count == 0)
            return QStringLiteral("Der Datensatz überschneidet sich mit einem anderen%1. Bitte "
                                  "ändern Sie Ihre Eingaben.")
                .arg(ruleAside(refusal));
        return fields.valueOf() +
               (fields.count > 1 ? QStringLiteral(" überschneiden")
                                 : QStringLiteral(" überschneidet")) +
               QStringLiteral(" sich mit einem anderen Datensatz%1. Bitte ändern Sie %2.")
                   .arg(ruleAside(refusal),
                        fields.count > 1 ? QStringLiteral("einen davon") : QStringLiteral("ihn"));
    case Rule::OutOfRange: {
        const QString range = rangeOf(refusal.typeName);
        const QString field = fields.count == 0 ? QStringLiteral("Ein Wert") : fields.valueOf();
        if (!range.isEmpty() && fields.count == 1)
            return fields.subject() + QStringLiteral(" nimmt nur %1 an.").arg(range);
        return field + (fields.count > 1 ? QStringLiteral(" sind") : QStringLiteral(" ist")) +
               QStringLiteral(" zu groß oder zu klein für den Datentyp") +
               (refusal.typeName.isEmpty() ? QString() : QLatin1Char(' ') + refusal.typeName) +
               (range.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(range)) +
               QLatin1Char('.');
    }
    case Rule::InvalidText:
        if (fields.count == 1 && !refusal.allowedValues.isEmpty())
            return fields.subject() + QStringLiteral(" nimmt nur diese Werte an: ") +
                   refusal.allowedValues.join(QStringLiteral(", ")) + QLatin1Char('.');
        if (fields.count == 1 && refusal.typeName.endsWith(QLatin1String("[]")))
            return fields.subject() + QStringLiteral(" nimmt eine Liste in der Form %1 an.")
                                          .arg(arrayForm(refusal.typeName));
        return (fields.count == 0 ? QStringLiteral("Ein Wert") : fields.valueOf()) +
               (fields.count > 1 ? QStringLiteral(" passen") : QStringLiteral(" passt")) +
               QStringLiteral(" nicht zum Datentyp") +
               (refusal.typeName.isEmpty() ? QString() : QLatin1Char(' ') + refusal.typeName) +
               (fields.count > 1 ? QStringLiteral(". Bitte korrigieren Sie sie.")
                                 : QStringLiteral(". Bitte korrigieren Sie ihn."));
    case Rule::None:
        break;
    }
    return QStringLiteral("Die Datenbank hat den Datensatz abgelehnt.");
}

} // namespace

namespace RefusalText {

QString caption(const QHash<QString, QString> &captions, const QString &column)
{
    QString text = captions.value(column).trimmed();
    // A label's mnemonic ("&Name") and colon are not part of its name.
    static const QRegularExpression mnemonic(QStringLiteral("&(?!&)"));
    text.remove(mnemonic).replace(QStringLiteral("&&"), QStringLiteral("&"));
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    text = text.trimmed();
    return text.isEmpty() ? column : text;
}

QString message(const EngineRefusal &refusal, Action action,
                const QHash<QString, QString> &captions, const QString &engineWords)
{
    QString words = engineWords.trimmed();
    // QPSQL adds the SQLSTATE in parentheses, which tells the user nothing.
    const QString code = QLatin1Char('(') + refusal.sqlState + QLatin1Char(')');
    if (!refusal.sqlState.isEmpty() && words.endsWith(code))
        words = words.chopped(code.size()).trimmed();
    const QString text = sentence(refusal, action, fieldsOf(refusal, captions));
    return words.isEmpty() ? text : text + QStringLiteral("\n\nMeldung der Datenbank: ") + words;
}

QString readOnlyField(const QString &caption, ReadOnlyReason reason)
{
    const QString field = QStringLiteral("Das Feld ") + caption;
    switch (reason) {
    case ReadOnlyReason::Generated:
        return field + QStringLiteral(" kann nicht geändert werden: sein Wert wird von der "
                                      "Datenbank berechnet.");
    case ReadOnlyReason::Identity:
        return field + QStringLiteral(" kann nicht geändert werden: sein Wert wird von der "
                                      "Datenbank vergeben.");
    case ReadOnlyReason::None:
        break;
    }
    return field + QStringLiteral(" kann nicht geändert werden; sein Wert wird von der "
                                  "Datenbank bestimmt.");
}

} // namespace RefusalText
