#include "runtime/Datasheet.h"

#include "controls/CDynControl.h"
#include "data/CDataMgr.h"
#include "formdef/CFormBuilder.h"
#include "platform/ComError.h"
#include "platform/TabText.h"
#include "platform/UserMessages.h"
#include "runtime/CForm.h"
#include "runtime/CFormMgr.h"
#include "runtime/CFormParent.h"
#include "runtime/DatasheetModel.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// The keys the datasheet moves its cursor with, which the form's window
// takes as record commands elsewhere (Bild ab: the next record).
bool isCursorKey(const QKeyEvent &key)
{
    const Qt::KeyboardModifiers modifiers =
        key.modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    switch (key.key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // With Strg they stay the first and the last record.
        return modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier;
    case Qt::Key_Home:
    case Qt::Key_End:
        return modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier ||
               modifiers == Qt::ShiftModifier;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        return !(modifiers & Qt::AltModifier) &&
               modifiers != (Qt::ControlModifier | Qt::ShiftModifier);
    case Qt::Key_F2:
        return modifiers == Qt::NoModifier;
    default:
        return false;
    }
}

// The cells' editors: a one-line edit, and for a field of several lines (a
// note) an editor of several lines over the rows below, in which Enter
// starts a new line and Tab or a click elsewhere takes the text.
class CellEditors : public QStyledItemDelegate
{
public:
    CellEditors(DatasheetModel &model, QObject *parent)
        : QStyledItemDelegate(parent), m_model(model)
    {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        if (!severalLines(index))
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto *editor = new QPlainTextEdit(parent);
        editor->setTabChangesFocus(true);
        editor->setAccessibleName(
            m_model.headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString());
        return editor;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        if (auto *lines = qobject_cast<QPlainTextEdit *>(editor)) {
            lines->setPlainText(m_model.shownText(index));
            lines->selectAll();
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        if (auto *lines = qobject_cast<QPlainTextEdit *>(editor)) {
            model->setData(index, lines->toPlainText(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override
    {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        if (qobject_cast<QPlainTextEdit *>(editor))
            editor->setGeometry(editor->geometry().adjusted(0, 0, 0, option.rect.height() * 4));
    }

private:
    bool severalLines(const QModelIndex &index) const
    {
        const CDynControl *field = m_model.field(index.column());
        return field && qobject_cast<const QPlainTextEdit *>(field->GetWindow());
    }

    DatasheetModel &m_model;
};

} // namespace

Datasheet::Datasheet(CFormParent &host, QWidget *parent)
    : QTableView(parent), m_host(host), m_model(new DatasheetModel(*host.GetFormMgr(), this))
{
    setObjectName(QStringLiteral("datasheet"));
    setAccessibleName(QStringLiteral("Datenblatt"));
    setModel(m_model);
    setItemDelegate(new CellEditors(*m_model, this));
    setSelectionBehavior(SelectItems);
    setSelectionMode(ExtendedSelection);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    // Every row one line high: the table never measures a row it does not
    // show, so a million rows cost nothing until they are shown.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    verticalHeader()->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("✎")) + 14);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(false);
    horizontalHeader()->setHighlightSections(true);
    // A click on a column's header sorts; it does not select the column,
    // which would put the cursor (and the form) on the top row shown.
    disconnect(horizontalHeader(), &QHeaderView::sectionPressed, this, nullptr);
    disconnect(horizontalHeader(), &QHeaderView::sectionEntered, this, nullptr);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &Datasheet::headerClicked);
    connect(m_model, &DatasheetModel::modelReset, this, [this] {
        showSortIndicator();
        follow();
    });
    connect(m_model, &DatasheetModel::counted, this, [this] { follow(); });
    connect(m_model, &DatasheetModel::refused, this,
            [this](const QModelIndex &index, const QString &text) {
                // Once the editor that gave the text has closed.
                QTimer::singleShot(0, this, [this, index, text] { editAgain(index, text); });
            });
    // As wide as the field on the form, which its designer sized for its
    // values, and never narrower than its caption; a field no one sized (a
    // form generated for its records only, as a subform's) as wide as a
    // date or a short name.
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int caption =
            fontMetrics().horizontalAdvance(
                m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) +
            fontMetrics().averageCharWidth() * 4; // the margins and the sort sign
        const CDynControl *field = m_model->field(column);
        const int fieldWidth = !field ? 0
                               : field->GetRect().width() > 0
                                   ? field->GetRect().width()
                                   : fontMetrics().averageCharWidth() * 14;
        setColumnWidth(column,
                       qBound(fontMetrics().averageCharWidth() * 6, qMax(caption, fieldWidth),
                              fontMetrics().averageCharWidth() * 22));
    }
    restoreColumns();
    m_storeTimer = new QTimer(this);
    m_storeTimer->setSingleShot(true);
    m_storeTimer->setInterval(500); // once the user has let go of the column
    connect(m_storeTimer, &QTimer::timeout, this, &Datasheet::storeColumns);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &Datasheet::columnsChanged);
    connect(horizontalHeader(), &QHeaderView::sectionMoved, this, &Datasheet::columnsChanged);
    showSortIndicator();
    follow();
}

Datasheet::~Datasheet() = default;

void Datasheet::restoreColumns()
{
    CFormBuilder *builder = m_host.GetFormMgr() ? m_host.GetFormMgr()->builder() : nullptr;
    if (!builder)
        return;
    QVector<CFormBuilder::DatasheetColumn> stored;
    try {
        stored = builder->DatasheetColumns();
    } catch (const ComError &error) {
        // The records show all the same, in the form's order.
        qWarning("Datenblatt: %s", qPrintable(error.message()));
    }
    const bool wasRestoring = std::exchange(m_restoring, true);
    int place = 0;
    for (const CFormBuilder::DatasheetColumn &column : std::as_const(stored)) {
        const int logical = m_model->columnOf(column.field);
        if (logical < 0)
            continue; // a field the form no longer shows
        horizontalHeader()->moveSection(horizontalHeader()->visualIndex(logical), place++);
        if (column.width > 0)
            setColumnWidth(logical, qMin(column.width, 4000)); // a stored width is no screen
    }
    m_restoring = wasRestoring;
}

void Datasheet::columnsChanged()
{
    if (!m_restoring)
        m_storeTimer->start();
}

void Datasheet::storeColumns()
{
    if (!m_storeTimer->isActive())
        return;
    m_storeTimer->stop();
    CFormBuilder *builder = m_host.GetFormMgr() ? m_host.GetFormMgr()->builder() : nullptr;
    if (!builder)
        return;
    QVector<CFormBuilder::DatasheetColumn> columns;
    for (int place = 0; place < horizontalHeader()->count(); ++place) {
        const int logical = horizontalHeader()->logicalIndex(place);
        columns.append({m_model->columnName(logical), columnWidth(logical)});
    }
    try {
        builder->SaveDatasheetColumns(columns);
    } catch (const ComError &error) {
        qrt::inform(
            QStringLiteral("Die Anordnung der Spalten konnte nicht gespeichert werden.\n\n") +
                error.message(),
            this, UserMessages::Severity::Warning);
    }
}

void Datasheet::recordShown()
{
    m_model->recordShown(); // resets the model when the records changed
    follow();
}

void Datasheet::recordWritten()
{
    m_model->recordWritten();
}

void Datasheet::modifiedChanged()
{
    m_model->modifiedChanged();
}

QString Datasheet::currentColumn() const
{
    return m_model->columnName(currentIndex().column());
}

bool Datasheet::setCurrentColumn(const QString &column)
{
    const int found = m_model->columnOf(column);
    if (found < 0)
        return false;
    follow(found);
    return true;
}

bool Datasheet::hasSelectedRecords() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return std::any_of(rows.cbegin(), rows.cend(),
                       [this](const QModelIndex &row) { return row.row() != m_model->newRow(); });
}

bool Datasheet::withinLimit(const char *what) const
{
    int top = std::numeric_limits<int>::max();
    int bottom = -1;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        top = qMin(top, range.top());
        bottom = qMax(bottom, range.bottom());
    }
    if (bottom - top < kMostRows)
        return true;
    // Each would be read row by row: a selection of a million rows would
    // hold the window for minutes.
    qrt::inform(QStringLiteral("Es können höchstens %L1 Datensätze auf einmal %2 werden. Bitte "
                               "wählen Sie weniger aus.")
                    .arg(kMostRows)
                    .arg(QString::fromUtf8(what)),
                window(), UserMessages::Severity::Information);
    return false;
}

bool Datasheet::deleteSelectedRecords()
{
    if (!withinLimit("gelöscht"))
        return false;
    QList<int> rows;
    for (const QModelIndex &row : selectionModel()->selectedRows()) {
        if (row.row() != m_model->newRow())
            rows << row.row();
    }
    if (rows.isEmpty())
        return false;
    std::sort(rows.begin(), rows.end());
    QVector<QVariantList> keys;
    for (int row : rows) {
        const QVariantList key = m_model->keyOf(row);
        if (!key.isEmpty())
            keys << key;
    }
    // Afterwards the record below the last one deleted shows, or, at the
    // end, the one above the first.
    QVariantList then;
    for (int row = rows.constLast() + 1; then.isEmpty() && row < m_model->rowCount(); ++row) {
        if (!rows.contains(row))
            then = m_model->keyOf(row);
    }
    for (int row = rows.constFirst() - 1; then.isEmpty() && row >= 0; --row)
        then = m_model->keyOf(row);
    return m_host.DatensatzLoeschen(keys, then, rows.contains(m_model->currentRow()));
}

QString Datasheet::selectedText() const
{
    if (!withinLimit("kopiert"))
        return QString();
    const QModelIndexList cells = selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return QString();
    // The block around the selection, in the order the user sees the
    // columns; a cell inside it that is not selected stays empty.
    int top = cells.constFirst().row();
    int bottom = top;
    int left = horizontalHeader()->visualIndex(cells.constFirst().column());
    int right = left;
    for (const QModelIndex &cell : cells) {
        top = qMin(top, cell.row());
        bottom = qMax(bottom, cell.row());
        left = qMin(left, horizontalHeader()->visualIndex(cell.column()));
        right = qMax(right, horizontalHeader()->visualIndex(cell.column()));
    }
    QVector<QStringList> rows(bottom - top + 1, QStringList(right - left + 1, QString()));
    for (const QModelIndex &cell : cells)
        rows[cell.row() - top][horizontalHeader()->visualIndex(cell.column()) - left] =
            m_model->shownText(cell);
    return TabText::write(rows);
}

bool Datasheet::paste(const QString &text)
{
    const QVector<QStringList> lines = TabText::read(text);
    const QModelIndex start = currentIndex();
    if (lines.isEmpty() || !start.isValid())
        return false;
    const int first = horizontalHeader()->visualIndex(start.column());
    for (qsizetype line = 0; line < lines.size(); ++line) {
        const int row = start.row() + int(line);
        if (line > 0) {
            // The record before is saved without a question: the user asked
            // for all of the lines.
            if (!m_host.DatensatzSpeichern(false))
                return false;
            if (row >= m_model->rowCount())
                return true;
            selectionModel()->setCurrentIndex(m_model->index(row, start.column()),
                                              QItemSelectionModel::ClearAndSelect);
            if (m_model->currentRow() != row)
                return false; // the move was refused; the form has said why
        }
        if (!pasteLine(lines.at(line), first, line))
            return false;
    }
    return true;
}

bool Datasheet::pasteLine(const QStringList &cells, int first, qsizetype line)
{
    QVector<QPair<CDynControl *, QString>> taken;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const int column = horizontalHeader()->logicalIndex(first + int(i));
        CDynControl *control = m_model->field(column);
        if (!control || !m_model->isEditable(column))
            continue; // past the last column, or one the user cannot change
        QString problem;
        if (!control->TakeUserText(cells.at(i), &problem, CDynControl::Entry::Check)) {
            qrt::warn(QStringLiteral("Die Zeile %1 der Zwischenablage wurde nicht eingefügt: "
                                     "Das Feld %2 %3.")
                          .arg(line + 1)
                          .arg(control->FieldCaption(), problem),
                      this);
            follow(column);
            return false;
        }
        taken.append({control, cells.at(i)});
    }
    for (const auto &[control, cell] : std::as_const(taken)) {
        QString problem;
        control->TakeUserText(cell, &problem, CDynControl::Entry::Take);
    }
    m_model->modifiedChanged();
    return true;
}

void Datasheet::follow(int column)
{
    const int row = m_model->currentRow();
    if (row < 0)
        return;
    if (column < 0)
        column = currentIndex().isValid() ? currentIndex().column()
                                          : horizontalHeader()->logicalIndex(0);
    const QModelIndex target = m_model->index(row, qMax(column, 0));
    if (!target.isValid())
        return;
    const bool wasFollowing = std::exchange(m_following, true);
    if (currentIndex() != target)
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    scrollTo(target);
    m_following = wasFollowing;
}

void Datasheet::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_following || !current.isValid() || current.row() == m_model->currentRow())
        return;
    m_following = true;
    if (current.row() == m_model->newRow())
        m_host.DatensatzEinfuegen();
    else
        m_host.DatensatzMoveTo(current.row() + 1);
    m_following = false;
    // Where the form stands now: on the row the user went to, or, when the
    // user stayed to put the record right, still on the one before.
    follow(current.column());
}

void Datasheet::headerClicked(int section)
{
    const QString column = m_model->columnName(section);
    CDataMgr *data = m_host.GetFormMgr() ? m_host.GetFormMgr()->dataManager() : nullptr;
    if (column.isEmpty() || !data)
        return;
    const CDataMgr::Sort sort = data->UserSort();
    const bool descending = (QApplication::keyboardModifiers() & Qt::ShiftModifier) ||
                            (sort.column == column && !sort.descending);
    m_host.DatensatzSortierenNach(column, descending);
    showSortIndicator();
}

void Datasheet::showSortIndicator()
{
    CDataMgr *data = m_host.GetFormMgr() ? m_host.GetFormMgr()->dataManager() : nullptr;
    const int section = data ? m_model->columnOf(data->UserSort().column) : -1;
    horizontalHeader()->setSortIndicatorShown(section >= 0);
    if (section >= 0)
        horizontalHeader()->setSortIndicator(
            section, data->UserSort().descending ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void Datasheet::editAgain(const QModelIndex &index, const QString &text)
{
    if (!index.isValid() || index.row() != m_model->currentRow())
        return;
    follow(index.column());
    edit(index);
    if (auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget())) {
        editor->setText(text);
        editor->selectAll();
    } else if (auto *lines = qobject_cast<QPlainTextEdit *>(QApplication::focusWidget())) {
        lines->setPlainText(text);
        lines->selectAll();
    }
}

bool Datasheet::event(QEvent *event)
{
    // The cursor keys are the table's, before the window's commands see them.
    if (event->type() == QEvent::ShortcutOverride &&
        (isCursorKey(*static_cast<QKeyEvent *>(event)) ||
         static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy) ||
         static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void Datasheet::keyPressEvent(QKeyEvent *event)
{
    if (state() != EditingState) {
        if (event->matches(QKeySequence::Copy)) {
            QApplication::clipboard()->setText(selectedText());
            return;
        }
        if (event->matches(QKeySequence::Paste)) {
            paste(QApplication::clipboard()->text());
            return;
        }
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // On to the next cell, as Tab goes.
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QTableView::keyPressEvent(&tab);
            return;
        }
        case Qt::Key_Delete:
            if (event->modifiers() == Qt::NoModifier && hasSelectedRecords()) {
                deleteSelectedRecords();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (m_host.GetFormMgr() && m_host.GetFormMgr()->GetForm() &&
                m_host.GetFormMgr()->GetForm()->isAnyControlModified()) {
                m_host.DatensatzUndo();
                return;
            }
            break;
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}
