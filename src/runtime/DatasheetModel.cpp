#include "runtime/DatasheetModel.h"

#include "controls/CDynCheckbox.h"
#include "controls/CDynControl.h"
#include "platform/ComError.h"
#include "platform/UserMessages.h"
#include "runtime/CForm.h"
#include "runtime/CFormMgr.h"

#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTimer>

#include <limits>

namespace {

constexpr int kMaxRows = std::numeric_limits<int>::max() - 1;

bool isYesNo(const CDynControl *control)
{
    return control && control->kind() == ControlKind::Checkbox;
}

} // namespace

DatasheetModel::DatasheetModel(CFormMgr &manager, QObject *parent)
    : QAbstractTableModel(parent), m_manager(manager)
{
    reload();
}

DatasheetModel::~DatasheetModel() = default;

CDataMgr *DatasheetModel::records() const
{
    return m_manager.dataManager();
}

int DatasheetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(qMin(m_stored + (m_takesNew ? 1 : 0), qint64(kMaxRows)));
}

int DatasheetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

int DatasheetModel::newRow() const
{
    return m_takesNew ? int(qMin(m_stored, qint64(kMaxRows))) : -1;
}

int DatasheetModel::columnOf(const QString &column) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i) && m_fields.at(i)->GetName() == column)
            return i;
    }
    return -1;
}

QString DatasheetModel::columnName(int column) const
{
    const CDynControl *control = field(column);
    return control ? control->GetName() : QString();
}

CDynControl *DatasheetModel::field(int column) const
{
    return column >= 0 && column < m_fields.size() ? m_fields.at(column).data() : nullptr;
}

bool DatasheetModel::isEditable(int column) const
{
    const CDynControl *control = field(column);
    CDataMgr *data = records();
    if (!control || !data || data->IsReadOnly())
        return false;
    const QWidget *window = control->GetWindow();
    if (const auto *edit = qobject_cast<const QLineEdit *>(window))
        return !edit->isReadOnly();
    if (const auto *edit = qobject_cast<const QPlainTextEdit *>(window))
        return !edit->isReadOnly();
    return window && window->isEnabled();
}

int DatasheetModel::rowOfPosition(const CDataMgr::Position &position) const
{
    if (position.newRecord)
        return newRow();
    if (position.number < 1)
        return -1;
    return int(qMin(position.number - 1, qint64(kMaxRows)));
}

void DatasheetModel::reload()
{
    beginResetModel();
    m_fields.clear();
    if (const CForm *form = m_manager.GetForm()) {
        for (CDynControl *control : form->shownFields())
            m_fields.append(control);
    }
    m_blocks.clear();
    m_blockUse.clear();
    m_stored = 0;
    m_takesNew = false;
    m_current = -1;
    m_counted = true;
    if (CDataMgr *data = records()) {
        m_generation = data->Generation();
        try {
            CDataMgr::Position position = data->GetPosition(false);
            // A record reached without the rows before it (a sort, a search)
            // is placed now: the rows around it are the ones to show.
            if (!position.newRecord && position.number < 1)
                position = data->GetPosition(true);
            m_takesNew = !data->IsReadOnly();
            if (position.count >= 0) {
                m_stored = position.count;
            } else {
                // The first rows show before the records are counted (one
                // scan, as long as the first rows' read): the first block
                // is all of them, or the count follows at once.
                m_stored = kBlockRows;
                const QVector<CDataMgr::Row> first = data->RecordsAt(1, kBlockRows);
                m_blocks.insert(0, first);
                m_blockUse.append(0);
                m_stored = qMax(qint64(first.size()), position.number);
                m_counted = first.size() < kBlockRows;
                if (!m_counted)
                    QTimer::singleShot(0, this, &DatasheetModel::countRows);
            }
            m_current = rowOfPosition(position);
        } catch (const ComError &error) {
            qrt::inform(error.message(), nullptr, UserMessages::Severity::Error);
        }
    }
    endResetModel();
}

void DatasheetModel::countRows()
{
    CDataMgr *data = records();
    if (m_counted || !data)
        return;
    CDataMgr::Position position;
    try {
        position = data->GetPosition(true);
    } catch (const ComError &) {
        return; // the next command that reaches the database says so
    }
    m_counted = true;
    const qint64 count = qMax(position.count, qint64(0));
    const int before = m_current;
    if (count > m_stored) {
        // Inserted before the new record's row, which moves to the end.
        beginInsertRows(QModelIndex(), int(qMin(m_stored, qint64(kMaxRows))),
                        int(qMin(count, qint64(kMaxRows))) - 1);
        m_stored = count;
        endInsertRows();
    } else if (count < m_stored) {
        beginRemoveRows(QModelIndex(), int(count), int(qMin(m_stored, qint64(kMaxRows))) - 1);
        m_stored = count;
        endRemoveRows();
    }
    m_current = rowOfPosition(position);
    updateRow(before);
    updateRow(m_current);
    emit counted();
}

void DatasheetModel::recordShown()
{
    CDataMgr *data = records();
    if (!data)
        return;
    if (data->Generation() != m_generation) {
        reload();
        return;
    }
    if (!m_counted) {
        countRows();
        return;
    }
    const int before = m_current;
    try {
        m_current = rowOfPosition(data->GetPosition(true));
    } catch (const ComError &) {
        m_current = -1; // the command that lost the connection has said so
    }
    if (before != m_current)
        updateRow(before);
    updateRow(m_current);
}

void DatasheetModel::recordWritten()
{
    if (m_current < 0 || m_current == newRow())
        return; // a new row counts among the stored ones once the records say so
    const qint64 block = m_current / kBlockRows;
    auto found = m_blocks.find(block);
    if (found == m_blocks.end())
        return;
    const int offset = int(m_current % kBlockRows);
    if (offset >= found->size())
        return;
    try {
        const QVector<CDataMgr::Row> read = records()->RecordsAt(m_current + 1, 1);
        if (!read.isEmpty())
            (*found)[offset] = read.constFirst();
    } catch (const ComError &) {
        m_blocks.erase(found); // read again when shown
    }
}

void DatasheetModel::modifiedChanged()
{
    updateRow(m_current);
}

void DatasheetModel::updateRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    emit headerDataChanged(Qt::Vertical, row, row);
    if (columnCount() > 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

const CDataMgr::Row *DatasheetModel::storedRow(int row) const
{
    if (row < 0 || row >= m_stored)
        return nullptr;
    const qint64 block = row / kBlockRows;
    auto found = m_blocks.find(block);
    if (found == m_blocks.end()) {
        QVector<CDataMgr::Row> rows;
        try {
            if (CDataMgr *data = records())
                rows = data->RecordsAt(block * kBlockRows + 1, kBlockRows);
        } catch (const ComError &error) {
            // Painting cannot ask; the rows show empty, and the next command
            // that reaches the database reports the loss as well.
            qWarning("Datenblatt: %s", qPrintable(error.message()));
        }
        if (m_blocks.size() >= kBlocksKept && !m_blockUse.isEmpty())
            m_blocks.remove(m_blockUse.takeFirst());
        found = m_blocks.insert(block, rows);
        m_blockUse.append(block);
        if (const CForm *form = m_manager.GetForm())
            form->prepareShownTexts(rows);
    } else if (m_blockUse.constLast() != block) {
        m_blockUse.removeOne(block);
        m_blockUse.append(block);
    }
    const int offset = int(row % kBlockRows);
    return offset < found->size() ? &found->at(offset) : nullptr;
}

QVariantList DatasheetModel::keyOf(int row) const
{
    const CDataMgr::Row *stored = row != newRow() ? storedRow(row) : nullptr;
    return stored && !stored->deleted ? stored->key : QVariantList();
}

std::optional<QString> DatasheetModel::cellText(const QModelIndex &index, QString *shown) const
{
    shown->clear();
    CDynControl *control = field(index.column());
    if (!control || !index.isValid())
        return std::nullopt;
    if (index.row() == m_current) {
        QString text;
        QString problem;
        if (control->GetRecordText(&text, &problem))
            return text;
        *shown = control->WindowText(); // what the user typed shows as typed
        return std::nullopt;
    }
    const CDataMgr::Row *row = index.row() != newRow() ? storedRow(index.row()) : nullptr;
    if (!row)
        return std::nullopt;
    if (row->deleted) {
        *shown = QStringLiteral("#Gelöscht");
        return std::nullopt;
    }
    return row->fields.value(control->GetName());
}

QString DatasheetModel::shownText(const QModelIndex &index) const
{
    QString shown;
    const std::optional<QString> text = cellText(index, &shown);
    return text ? field(index.column())->ShownText(*text) : shown;
}

QVariant DatasheetModel::data(const QModelIndex &index, int role) const
{
    CDynControl *control = field(index.column());
    if (!control || !index.isValid())
        return QVariant();
    const bool yesNo = isYesNo(control);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (yesNo)
            return QVariant();
        return shownText(index);
    case Qt::AccessibleTextRole:
        return shownText(index);
    case Qt::CheckStateRole: {
        QString shown;
        const std::optional<QString> text = yesNo ? cellText(index, &shown) : std::nullopt;
        if (!text)
            return QVariant();
        return int(static_cast<const CDynCheckbox *>(control)->StateOf(*text));
    }
    case Qt::TextAlignmentRole:
        // As the field aligns: numbers to the right.
        if (const auto *edit = qobject_cast<const QLineEdit *>(control->GetWindow()))
            return QVariant::fromValue(edit->alignment() | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        if (!isEditable(index.column()))
            return QPalette().brush(QPalette::Disabled, QPalette::Text);
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant DatasheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        const CDynControl *control = field(section);
        if (!control)
            return QVariant();
        const bool editable = isEditable(section);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return control->FieldCaption();
        case Qt::ToolTipRole:
            if (editable)
                return control->FieldCaption();
            return control->GetWindow() && !control->GetWindow()->toolTip().isEmpty()
                       ? control->GetWindow()->toolTip()
                       : QStringLiteral("%1 kann nicht geändert werden.")
                             .arg(control->FieldCaption());
        case Qt::FontRole:
            if (!editable) {
                QFont font;
                font.setItalic(true);
                return font;
            }
            return QVariant();
        default:
            return QVariant();
        }
    }
    // The row header's sign and what it says: the current record, with
    // unsaved changes, the new record, or any other.
    struct Mark
    {
        const char *sign;
        const char *said;
    };
    static const Mark kCurrent{"▶", "Aktueller Datensatz"};
    static const Mark kChanged{"✎", "Aktueller Datensatz, nicht gespeicherte Änderungen"};
    static const Mark kNew{"*", "Neuer Datensatz"};
    const Mark *mark = nullptr;
    if (section == m_current)
        mark = m_manager.GetForm() && m_manager.GetForm()->isAnyControlModified() ? &kChanged
                                                                                  : &kCurrent;
    else if (section == newRow())
        mark = &kNew;
    switch (role) {
    case Qt::DisplayRole:
        return mark ? QString::fromUtf8(mark->sign) : QString();
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return mark ? QString::fromUtf8(mark->said)
                    : QStringLiteral("Datensatz %1").arg(section + 1);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    default:
        return QVariant();
    }
}

Qt::ItemFlags DatasheetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (!isEditable(index.column()))
        return flags;
    if (index.row() != m_current && index.row() != newRow()) {
        const CDataMgr::Row *row = storedRow(index.row());
        if (row && row->deleted)
            return flags;
    }
    return flags | (isYesNo(field(index.column())) ? Qt::ItemIsUserCheckable : Qt::ItemIsEditable);
}

bool DatasheetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    CDynControl *control = field(index.column());
    if (!control || index.row() != m_current || !isEditable(index.column()))
        return false;
    QString text;
    if (role == Qt::CheckStateRole) {
        switch (Qt::CheckState(value.toInt())) {
        case Qt::Checked:
            text = QStringLiteral("Ja");
            break;
        case Qt::PartiallyChecked:
            break;
        case Qt::Unchecked:
            text = QStringLiteral("Nein");
            break;
        }
    } else if (role == Qt::EditRole) {
        text = value.toString();
        if (text == shownText(index))
            return true; // the cell left as it was: the field keeps its value
    } else {
        return false;
    }
    QString problem;
    if (!control->TakeUserText(text, &problem, CDynControl::Entry::Take)) {
        qrt::warn(QStringLiteral("Das Feld %1 %2.").arg(control->FieldCaption(), problem));
        emit refused(index, text);
        return false;
    }
    updateRow(m_current);
    return true;
}
