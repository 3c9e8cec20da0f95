#ifndef QRT_FORMDEF_LOOKUPCHOICES_H
#define QRT_FORMDEF_LOOKUPCHOICES_H

#include "controls/ChoiceSource.h"
#include "data/LookupList.h"

#include <QPointer>
#include <QWidget>

// The choices of a field whose column refers to another table: that
// table's rows, read through a LookupList. A read that fails (the server
// went away) is told once, in the user's words, and answers with nothing,
// so that a datasheet asking for many names does not ask the user as
// often; the next read that works ends the silence.
class LookupChoices final : public ChoiceSource
{
public:
    LookupChoices(LookupList list, QWidget *messageOwner);

    [[nodiscard]] QVector<Choice> choices(const QString &typed, int limit) override;
    [[nodiscard]] QVector<Choice> named(const QString &text, int limit) override;
    [[nodiscard]] std::optional<QString> shownFor(const QString &value) override;
    void prefetch(const QStringList &values) override;
    [[nodiscard]] QString origin() const override;

private:
    template <typename Result, typename Read> Result guarded(Result fallback, Read read);

    LookupList m_list;
    QPointer<QWidget> m_messageOwner;
    bool m_failed = false;
};

#endif // QRT_FORMDEF_LOOKUPCHOICES_H
