#include "runtime/Datasheet.h"

#include "data/CDataMgr.h"
#include "runtime/CForm.h"
#include "runtime/CFormParent.h"
#include "runtime/DatasheetModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

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

} // namespace

Datasheet::Datasheet(CFormParent &host, QWidget *parent)
    : QTableView(parent), m_host(host), m_model(new DatasheetModel(*host.GetFormMgr(), this))
{
    setObjectName(QStringLiteral("datasheet"));
    setAccessibleName(QStringLiteral("Datenblatt"));
    setModel(m_model);
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
    connect(m_model, &DatasheetModel::refused, this,
            [this](const QModelIndex &index, const QString &text) {
                // Once the editor that gave the text has closed.
                QTimer::singleShot(0, this, [this, index, text] { editAgain(index, text); });
            });
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int caption = fontMetrics().horizontalAdvance(
            m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
        setColumnWidth(column, qBound(fontMetrics().averageCharWidth() * 8, caption + 24,
                                      fontMetrics().averageCharWidth() * 30));
    }
    showSortIndicator();
    follow();
}

Datasheet::~Datasheet() = default;

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
    }
}

bool Datasheet::event(QEvent *event)
{
    // The cursor keys are the table's, before the window's commands see them.
    if (event->type() == QEvent::ShortcutOverride &&
        isCursorKey(*static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void Datasheet::keyPressEvent(QKeyEvent *event)
{
    if (state() != EditingState) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // On to the next cell, as Tab goes.
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QTableView::keyPressEvent(&tab);
            return;
        }
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
