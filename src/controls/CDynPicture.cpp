#include "controls/CDynPicture.h"

#include "platform/UserMessages.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QImageReader>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QSaveFile>
#include <QStyleOptionFocusRect>
#include <QThreadPool>

namespace {

// The formats shown as pictures, by the first bytes of the data.
QByteArray pictureFormat(const QByteArray &head)
{
    QBuffer buffer;
    buffer.setData(head);
    if (!buffer.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray format = QImageReader::imageFormat(&buffer);
    for (const char *shown : {"png", "jpeg", "gif", "bmp"}) {
        if (format == shown)
            return format;
    }
    return QByteArray();
}

// Enough of the data to know its format.
constexpr qsizetype kHeadBytes = 64;

// "512 Bytes", "12 KB", "3,4 MB", as German programs write sizes.
QString sizeText(qint64 bytes)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    if (bytes == 1)
        return QStringLiteral("1 Byte");
    if (bytes < 1024)
        return QStringLiteral("%1 Bytes").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    return QStringLiteral("%1 MB").arg(german.toString(double(bytes) / (1024 * 1024), 'f', 1));
}

QString describe(const QByteArray &format, qint64 bytes)
{
    if (bytes == 0)
        return QString();
    if (format.isEmpty())
        return QStringLiteral("Binärdaten, %1").arg(sizeText(bytes));
    return QStringLiteral("Bild (%1, %2)")
        .arg(QString::fromLatin1(format.toUpper()), sizeText(bytes));
}

// The picture, no larger than room (device pixels): a photograph of many
// megapixels is decoded straight to the size it is shown at where the
// format allows, and scaled once otherwise. Safe on any thread.
QImage decodeFor(const QByteArray &data, const QSize &room)
{
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return QImage();
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && !room.isEmpty() &&
        (size.width() > room.width() || size.height() > room.height()))
        reader.setScaledSize(size.scaled(room, Qt::KeepAspectRatio));
    return reader.read();
}

// Draws the picture centred and scaled into the field, never larger than it
// is; or a line of text where there is none.
class PictureView final : public QFrame
{
public:
    explicit PictureView(QWidget *parent) : QFrame(parent)
    {
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        setBackgroundRole(QPalette::Base);
        setAutoFillBackground(true);
    }

    void showPicture(const QImage &picture, const QString &text)
    {
        m_picture = picture;
        m_text = text;
        m_scaled = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        const QRect inside = contentsRect().adjusted(2, 2, -2, -2);
        if (!m_picture.isNull()) {
            const qreal ratio = devicePixelRatioF();
            QSize shown = m_picture.deviceIndependentSize().toSize();
            if (shown.width() > inside.width() || shown.height() > inside.height())
                shown = shown.scaled(inside.size(), Qt::KeepAspectRatio);
            if (m_scaled.isNull() || m_scaled.deviceIndependentSize().toSize() != shown) {
                m_scaled = QPixmap::fromImage(
                    m_picture.scaled(shown * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
                m_scaled.setDevicePixelRatio(ratio);
            }
            QRect where(QPoint(0, 0), shown);
            where.moveCenter(inside.center());
            painter.drawPixmap(where, m_scaled);
        } else {
            painter.drawText(inside, Qt::AlignCenter | Qt::TextWordWrap, m_text);
        }
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = contentsRect().adjusted(1, 1, -1, -1);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }

private:
    QImage m_picture;
    QString m_text;
    QPixmap m_scaled;
};

QString chooseWithFileDialog(bool save, const QString &suggested, QWidget *parent)
{
    if (save)
        return QFileDialog::getSaveFileName(parent, QStringLiteral("Speichern unter"), suggested);
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("Bild laden"), QString(),
        QStringLiteral("Bilder (*.png *.jpg *.jpeg *.gif *.bmp);;Alle Dateien (*)"));
}

} // namespace

CDynPicture::CDynPicture(bool designMode)
    : CDynControl(designMode), m_chooseFile(chooseWithFileDialog)
{}

CDynPicture::~CDynPicture() = default;

QWidget *CDynPicture::MakeWindow(QWidget *parent, const ControlDescription &description)
{
    Q_UNUSED(description);
    return new PictureView(parent);
}

void CDynPicture::FinishCreate(const ControlDescription &description)
{
    if (IsDesignMode())
        SetWindowText(description.caption);
    else
        Refresh();
}

void CDynPicture::SetWindowText(const QString &text)
{
    if (!IsDesignMode())
        return;
    m_designText = text;
    if (auto *view = static_cast<PictureView *>(GetWindow()))
        view->showPicture(QImage(), text);
}

QString CDynPicture::WindowText() const
{
    if (IsDesignMode())
        return m_designText;
    return describe(m_format, m_data.size());
}

QString CDynPicture::ShownText(const QString &recordText) const
{
    const QByteArray head = QByteArray::fromHex(recordText.left(2 * kHeadBytes).toLatin1());
    return describe(pictureFormat(head), recordText.size() / 2);
}

void CDynPicture::SetRecordText(const QString &text)
{
    // The value the field holds already (the record shown again after it
    // was saved): megabytes of digits are not read and decoded once more.
    const bool same =
        IsModified() ? !m_dataDigits.isNull() && text == m_dataDigits : text == m_recordValue;
    m_recordValue = text;
    m_dataDigits.clear();
    SetModified(false);
    if (same)
        return;
    m_data = QByteArray::fromHex(text.toLatin1());
    ShowData();
}

bool CDynPicture::GetRecordText(QString *text, QString *problem) const
{
    problem->clear();
    if (IsModified() && m_dataDigits.isNull())
        m_dataDigits = m_data.isEmpty() ? QStringLiteral("") : QString::fromLatin1(m_data.toHex());
    *text = IsModified() ? m_dataDigits : m_recordValue;
    return true;
}

bool CDynPicture::TakeUserText(const QString &text, QString *problem, Entry entry)
{
    Q_UNUSED(text);
    Q_UNUSED(entry);
    *problem = QStringLiteral("erwartet ein Bild: laden Sie es in der Formularansicht über das "
                              "Kontextmenü des Felds");
    return false;
}

ControlProperties CDynPicture::GetProperties() const
{
    ControlProperties properties = CDynControl::GetProperties();
    properties.multiLineEnabled = false;
    return properties;
}

void CDynPicture::SetReadOnlyReason(const QString &reason)
{
    m_readOnlyReason = reason;
    Refresh();
}

void CDynPicture::ShowData()
{
    m_format = pictureFormat(m_data.left(kHeadBytes));
    m_picture = QImage();
    m_decoding = false;
    const quint64 shown = ++m_shown;
    QWidget *window = GetWindow();
    const QSize room = window ? window->size() * window->devicePixelRatioF() : QSize();
    if (!m_format.isEmpty() && m_data.size() <= kDecodeInBackground) {
        m_picture = decodeFor(m_data, room);
        if (m_picture.isNull())
            m_format.clear(); // it only began like one
    } else if (!m_format.isEmpty()) {
        // The form goes on while a large picture is decoded; what arrives
        // for a value shown before this one is dropped.
        m_decoding = true;
        QPointer<CDynPicture> self(this);
        QThreadPool::globalInstance()->start([self, data = m_data, room, shown] {
            const QImage picture = decodeFor(data, room);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, picture, shown] {
                    if (!self || self->m_shown != shown)
                        return;
                    self->m_decoding = false;
                    self->m_picture = picture;
                    if (picture.isNull())
                        self->m_format.clear();
                    self->Refresh();
                },
                Qt::QueuedConnection);
        });
    }
    Refresh();
}

void CDynPicture::Refresh()
{
    auto *view = static_cast<PictureView *>(GetWindow());
    if (!view || IsDesignMode())
        return;
    const QString text = m_decoding ? QStringLiteral("Bild wird geladen …") : WindowText();
    view->showPicture(m_picture, text);
    view->setAccessibleDescription(text);
    view->setToolTip(m_readOnlyReason.isEmpty()
                         ? text
                         : text + (text.isEmpty() ? QString() : QStringLiteral("\n")) +
                               m_readOnlyReason);
}

bool CDynPicture::LoadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qrt::warn(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                      .arg(QDir::toNativeSeparators(path), file.errorString()),
                  GetWindow());
        return false;
    }
    const QByteArray data = file.readAll();
    QBuffer header;
    header.setData(data);
    header.open(QIODevice::ReadOnly);
    if (pictureFormat(data.left(kHeadBytes)).isEmpty() || !QImageReader(&header).size().isValid()) {
        qrt::warn(QStringLiteral("Die Datei %1 ist kein Bild. Das Feld nimmt Bilder im Format "
                                 "PNG, JPEG, GIF oder BMP.")
                      .arg(QDir::toNativeSeparators(path)),
                  GetWindow());
        return false;
    }
    m_data = data; // as the file holds it, byte for byte
    m_dataDigits.clear();
    SetModified(true);
    ShowData();
    return true;
}

bool CDynPicture::SaveFile(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_data) != m_data.size() || !file.commit()) {
        qrt::warn(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                      .arg(QDir::toNativeSeparators(path), file.errorString()),
                  GetWindow());
        return false;
    }
    return true;
}

void CDynPicture::Remove()
{
    if (m_data.isEmpty())
        return;
    m_data.clear();
    m_dataDigits.clear();
    SetModified(true);
    ShowData();
}

std::unique_ptr<QMenu> CDynPicture::CreateDataMenu()
{
    auto menu = std::make_unique<QMenu>();
    const bool writable = m_readOnlyReason.isEmpty();
    const bool picture = !m_format.isEmpty();
    if (writable && (picture || m_data.isEmpty())) {
        connect(menu->addAction(QStringLiteral("Bild &laden…")), &QAction::triggered, this, [this] {
            const QString path = m_chooseFile(false, QString(), GetWindow());
            if (!path.isEmpty())
                LoadFile(path);
        });
    }
    if (!m_data.isEmpty()) {
        const QString text = picture ? QStringLiteral("Bild &speichern unter…")
                                     : QStringLiteral("&Speichern unter…");
        connect(menu->addAction(text), &QAction::triggered, this, [this, picture] {
            const QString suffix =
                picture ? QString::fromLatin1(m_format == "jpeg" ? "jpg" : m_format.constData())
                        : QStringLiteral("bin");
            const QString path =
                m_chooseFile(true, GetName() + QLatin1Char('.') + suffix, GetWindow());
            if (!path.isEmpty())
                SaveFile(path);
        });
    }
    if (writable && picture)
        connect(menu->addAction(QStringLiteral("Bild &entfernen")), &QAction::triggered, this,
                &CDynPicture::Remove);
    return menu;
}

void CDynPicture::ShowDataMenu(const QPoint &globalPosition)
{
    const std::unique_ptr<QMenu> menu = CreateDataMenu();
    if (!menu->isEmpty())
        menu->exec(globalPosition);
}

bool CDynPicture::FilterEvent(QObject *watched, QEvent *event)
{
    if (IsDesignMode() || watched != GetWindow())
        return false;
    QWidget *window = GetWindow();
    if (event->type() == QEvent::ContextMenu) {
        const auto *menu = static_cast<QContextMenuEvent *>(event);
        // From the keyboard the menu opens at the field, not at the mouse.
        ShowDataMenu(menu->reason() == QContextMenuEvent::Keyboard
                         ? window->mapToGlobal(window->rect().center())
                         : menu->globalPos());
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            ShowDataMenu(window->mapToGlobal(window->rect().center()));
            return true;
        }
    }
    return false;
}
