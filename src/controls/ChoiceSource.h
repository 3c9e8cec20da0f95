#ifndef QRT_CONTROLS_CHOICESOURCE_H
#define QRT_CONTROLS_CHOICESOURCE_H

#include "qrt_export.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// Where a field with a list gets its choices: the rows of the table its
// column refers to, read through the database (a lookup). The field knows
// only this interface; the form builder gives it one. A source that cannot
// read says so to the user itself and answers with nothing.
class QRT_EXPORT ChoiceSource
{
public:
    struct Choice
    {
        QString value; // the record text the field stores
        QString shown; // what the user reads and types
    };

    virtual ~ChoiceSource();

    // Choices whose shown text begins with typed, then those that contain
    // it (letter case aside); at most limit. Empty typed: the first ones.
    [[nodiscard]] virtual QVector<Choice> choices(const QString &typed, int limit) = 0;
    // Choices whose shown text is text (letter case aside); at most limit.
    [[nodiscard]] virtual QVector<Choice> named(const QString &text, int limit) = 0;
    // The shown text of a value; none where no choice has it.
    [[nodiscard]] virtual std::optional<QString> shownFor(const QString &value) = 0;
    // Makes the shown texts of these values ready at once (a page of a
    // datasheet), where reading them one by one would cost more.
    virtual void prefetch(const QStringList &values) { Q_UNUSED(values); }
    // What the choices are, for messages: "der Tabelle Kunden".
    [[nodiscard]] virtual QString origin() const = 0;
};

// The values a column's type or check allows (an enum's labels, a CHECK
// (x IN (…)) list), each shown and stored as it is, in the list's order.
class QRT_EXPORT ListedChoices final : public ChoiceSource
{
public:
    explicit ListedChoices(QStringList values) : m_values(std::move(values)) {}

    [[nodiscard]] QVector<Choice> choices(const QString &typed, int limit) override;
    [[nodiscard]] QVector<Choice> named(const QString &text, int limit) override;
    [[nodiscard]] std::optional<QString> shownFor(const QString &value) override;
    [[nodiscard]] QString origin() const override;

private:
    QStringList m_values;
};

#endif // QRT_CONTROLS_CHOICESOURCE_H
