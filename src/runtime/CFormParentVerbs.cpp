// The command verbs of the form host: what the menus, tool bars and keys of
// the host window call.

#include "runtime/CFormParent.h"

#include "runtime/CFormParentGuarded.h"

void CFormParent::DateiNeu()
{
    guarded(false, [this](CFormMgr &manager) {
        const QString question =
            QStringLiteral("ACHTUNG!!!\r\n\r\nDiese Funktion baut das Formular komplett ") +
            QStringLiteral("neu auf. Alle von Ihnen vorgenommenen Änderungen gehen dabei "
                           "verloren!!!\r\n\r\n") +
            QStringLiteral("Sind Sie sicher, dass das Formular neu aufgebaut werden soll?");
        if (qrt::askYesNo(question, GetWnd(), UserMessages::Consequence::Destructive) !=
            UserMessages::Answer::No)
            manager.ReCreateForm(false);
        return true;
    });
}

bool CFormParent::DateiSpeichern()
{
    return guarded(false, [](CFormMgr &manager) { return manager.SaveForm(); });
}

void CFormParent::DateiResize()
{
    guarded(false, [](CFormMgr &manager) {
        manager.ResizeForm();
        return true;
    });
}

void CFormParent::DateiTabOrder()
{
    guarded(false, [](CFormMgr &manager) {
        manager.ChangeTabOrder();
        return true;
    });
}

void CFormParent::DateiAddStatic()
{
    CheckAddFrame(false);
    guarded(false, [](CFormMgr &manager) {
        manager.AddStatic();
        return true;
    });
}

void CFormParent::DateiAddFrame()
{
    CheckAddStatic(false);
    guarded(false, [](CFormMgr &manager) {
        manager.AddFrame();
        return true;
    });
}

void CFormParent::DateiAddSubform()
{
    guarded(false, [this](CFormMgr &manager) {
        manager.AddSubform(GetWnd());
        return true;
    });
}

bool CFormParent::DatensatzSpeichern(bool ask, bool mayCancel)
{
    return guarded(false, [this, ask, mayCancel](CFormMgr &manager) {
        const bool saved = ask ? manager.SaveCurRecord(mayCancel) : manager.SaveData();
        // The key of the first record actually written stays: -1 before any
        // write and after a delete does not count as one.
        if (saved && m_lFirstUpdateKey == -1)
            m_lFirstUpdateKey = manager.GetLastUpdateKey();
        return saved;
    });
}

bool CFormParent::DatensatzLoeschen()
{
    return guarded(false, [this](CFormMgr &manager) {
        if (qrt::askYesNo(QStringLiteral("Diesen Datensatz wirklich löschen?"), GetWnd(),
                          UserMessages::Consequence::Destructive) == UserMessages::Answer::No)
            return false;
        return manager.DeleteData();
    });
}

bool CFormParent::DatensatzLoeschen(const QVector<QVariantList> &keys, const QVariantList &then,
                                    bool currentAmong)
{
    return guarded(false, [&](CFormMgr &manager) {
        if (keys.isEmpty() || (!currentAmong && !manager.SaveCurRecord()))
            return false;
        const QString question =
            keys.size() == 1
                ? QStringLiteral("Diesen Datensatz wirklich löschen?")
                : QStringLiteral("Diese %1 Datensätze wirklich löschen?").arg(keys.size());
        if (qrt::askYesNo(question, GetWnd(), UserMessages::Consequence::Destructive) ==
            UserMessages::Answer::No)
            return false;
        return manager.DeleteRecords(keys, then);
    });
}

bool CFormParent::DatensatzEinfuegen()
{
    return guarded(false, [](CFormMgr &manager) { return manager.InsertData(); });
}

void CFormParent::DatensatzFiltern()
{
    guarded(false, [](CFormMgr &manager) {
        manager.FilterData();
        return true;
    });
}

void CFormParent::DatensatzRemoveFilter()
{
    guarded(false, [](CFormMgr &manager) {
        manager.RemoveFilter();
        return true;
    });
}

void CFormParent::ChangeFilter(const QString &filter)
{
    guarded(false, [&filter](CFormMgr &manager) {
        manager.ChangeFilter(filter);
        return true;
    });
}

void CFormParent::DatensatzMoveFirst()
{
    guarded(false, [](CFormMgr &manager) {
        manager.MoveFirst();
        return true;
    });
}

void CFormParent::DatensatzMoveLast()
{
    guarded(false, [](CFormMgr &manager) {
        manager.MoveLast();
        return true;
    });
}

void CFormParent::DatensatzMovePrevious()
{
    guarded(false, [](CFormMgr &manager) {
        manager.MovePrevious();
        return true;
    });
}

void CFormParent::DatensatzMoveNext()
{
    guarded(false, [](CFormMgr &manager) {
        manager.MoveNext();
        return true;
    });
}

void CFormParent::DatensatzMoveTo(qint64 number)
{
    guarded(false, [number](CFormMgr &manager) {
        manager.MoveTo(number);
        return true;
    });
}

void CFormParent::DatensatzFilterNachAuswahl(bool exclude)
{
    guarded(false, [exclude](CFormMgr &manager) {
        manager.FilterBySelection(exclude);
        return true;
    });
}

CDataMgr::FindResult CFormParent::DatensatzSuchen(const CDataMgr::FindRequest &request)
{
    return guarded(CDataMgr::FindResult::NotFound,
                   [&request](CFormMgr &manager) { return manager.Find(request); });
}

void CFormParent::DatensatzSortieren(bool descending)
{
    guarded(false, [descending](CFormMgr &manager) {
        manager.SortByFocusedField(descending);
        return true;
    });
}

void CFormParent::DatensatzSortierenNach(const QString &column, bool descending)
{
    guarded(false, [&column, descending](CFormMgr &manager) {
        manager.SortBy(column, descending);
        return true;
    });
}

void CFormParent::DatensatzSortierungEntfernen()
{
    guarded(false, [](CFormMgr &manager) {
        manager.RemoveSort();
        return true;
    });
}

void CFormParent::DatensatzUndo()
{
    guarded(false, [](CFormMgr &manager) {
        manager.Undo();
        return true;
    });
}

void CFormParent::Ausrichten(CFormMgr::AUSRICHTUNG direction, bool toRaster)
{
    guarded(false, [direction, toRaster](CFormMgr &manager) {
        manager.Ausrichten(direction, toRaster);
        return true;
    });
}

bool CFormParent::Beenden()
{
    if (!m_pFormMgr)
        return true;
    // Closing offers "Abbrechen" too: the user who did not mean to close
    // keeps the window and what was typed.
    if (!m_pFormMgr->GetDesignMode())
        return DatensatzSpeichern(true, true);
    // Nothing changed since the layout was loaded or saved: nothing to ask.
    if (!m_pFormMgr->HasUnsavedLayout())
        return true;
    switch (qrt::askYesNoCancel(QStringLiteral("Möchten Sie das Formular jetzt speichern?"),
                                GetWnd())) {
    case UserMessages::Answer::No:
        return true;
    case UserMessages::Answer::Yes:
        return DateiSpeichern();
    case UserMessages::Answer::Cancel:
    case UserMessages::Answer::Ok:
        break;
    }
    return false;
}
