#include "FormDialogTestSupport.h"

#include "controls/CDynPicture.h"
#include "runtime/Datasheet.h"
#include "runtime/DatasheetModel.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

// A column of bytes on the form: a picture shows as one, other data by its
// size; a loaded picture is stored byte for byte, an unchanged one is never
// written, and a large one does not hold the form up.
namespace {

// An image of the size given, in the format given, as its file holds it;
// noise, so that it compresses as badly as a photograph.
QByteArray pictureBytes(const char *format, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, QRandomGenerator::global()->generate());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

class PictureFieldTest : public FormDialogTest
{
protected:
    void SetUp() override
    {
        FormDialogTest::SetUp();
        if (IsSkipped())
            return;
        const bool postgres = db.kind() == DatabaseKind::PostgreSql;
        const char *bytes = postgres ? "bytea" : "BLOB";
        png = pictureBytes("PNG", QSize(40, 20));
        const auto literal = [postgres](const QByteArray &data) {
            const QString hex = QString::fromLatin1(data.toHex());
            return postgres ? "'\\x" + hex + "'" : "x'" + hex + "'";
        };
        db.exec({QStringLiteral("CREATE TABLE fotos (id INT PRIMARY KEY, name VARCHAR(20), bild "
                                "%1, anhang %1)")
                     .arg(bytes),
                 QStringLiteral("INSERT INTO fotos VALUES (1, 'Eins', %1, %2), (2, 'Zwei', NULL, "
                                "NULL)")
                     .arg(literal(png), literal(QByteArray("PK\x03\x04zip", 7))),
                 // Counts the writes of the picture column itself.
                 "CREATE TABLE schreibvorgaenge (spalte VARCHAR(10))"});
        if (postgres)
            db.exec({"CREATE FUNCTION zaehle() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                     "INSERT INTO schreibvorgaenge VALUES ('bild'); RETURN NEW; END $$",
                     "CREATE TRIGGER bild_geschrieben AFTER UPDATE OF bild ON fotos FOR EACH ROW "
                     "EXECUTE FUNCTION zaehle()"});
        else
            db.exec("CREATE TRIGGER bild_geschrieben AFTER UPDATE OF bild ON fotos BEGIN INSERT "
                    "INTO schreibvorgaenge VALUES ('bild'); END");
        openGenerated("fotos");
        picture = qobject_cast<CDynPicture *>(control("bild"));
        attachment = qobject_cast<CDynPicture *>(control("anhang"));
        ASSERT_TRUE(picture && attachment);
    }

    static QStringList menuOf(CDynPicture &field)
    {
        QStringList texts;
        const std::unique_ptr<QMenu> menu = field.CreateDataMenu();
        for (QAction *action : menu->actions())
            texts << action->text();
        return texts;
    }
    // Runs the menu entry of field with that text; the file dialog answers path.
    static void runMenu(CDynPicture &field, const QString &entry, const QString &path)
    {
        field.SetFileChooser([path](bool, const QString &, QWidget *) { return path; });
        const std::unique_ptr<QMenu> menu = field.CreateDataMenu();
        for (QAction *action : menu->actions()) {
            if (action->text() == entry)
                return action->trigger();
        }
        ADD_FAILURE() << "no menu entry " << entry.toStdString();
    }
    QString file(const char *name, const QByteArray &data) const
    {
        QFile out(folder.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(data) == data.size());
        return out.fileName();
    }
    QString storedHex(const char *column) const
    {
        const char *sql = db.kind() == DatabaseKind::PostgreSql
                              ? "SELECT encode(%1, 'hex') FROM fotos WHERE id = 1"
                              : "SELECT lower(hex(%1)) FROM fotos WHERE id = 1";
        return db.scalar(QString::fromLatin1(sql).arg(QLatin1String(column)));
    }
    QString writes() const { return db.scalar("SELECT COUNT(*) FROM schreibvorgaenge"); }

    QByteArray png;
    QTemporaryDir folder;
    CDynPicture *picture = nullptr;
    CDynPicture *attachment = nullptr;
};

TEST_P(PictureFieldTest, APictureIsShownLoadedSavedAndRemovedByteForByte)
{
    // What each shows, and offers.
    EXPECT_EQ(picture->Picture().size(), QSize(40, 20));
    EXPECT_EQ(picture->WindowText(),
              QStringLiteral("Bild (PNG, %1 KB)").arg((png.size() + 1023) / 1024));
    EXPECT_EQ(menuOf(*picture),
              QStringList({"Bild &laden…", "Bild &speichern unter…", "Bild &entfernen"}));
    EXPECT_EQ(attachment->WindowText(), "Binärdaten, 7 Bytes");
    EXPECT_EQ(menuOf(*attachment), QStringList("&Speichern unter…")) << "other data: read only";

    // Saved to a file as stored; a name changed leaves the picture unwritten.
    runMenu(*attachment, "&Speichern unter…", folder.filePath("anhang.bin"));
    QFile saved(folder.filePath("anhang.bin"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("PK\x03\x04zip", 7));
    retype("name", "Erste");
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(writes(), "0") << "an unchanged picture is not written again";

    // A file that is no picture is refused; a picture is taken as it is.
    runMenu(*picture, "Bild &laden…", file("notiz.png", "kein Bild"));
    EXPECT_TRUE(messages.texts().constLast().contains("ist kein Bild"))
        << messages.texts().join("|").toStdString();
    EXPECT_FALSE(picture->IsModified());
    const QByteArray jpeg = pictureBytes("JPEG", QSize(64, 48));
    runMenu(*picture, "Bild &laden…", file("foto.jpg", jpeg));
    EXPECT_EQ(picture->WindowText(),
              QStringLiteral("Bild (JPEG, %1 KB)").arg((jpeg.size() + 1023) / 1024));
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(storedHex("bild"), QString::fromLatin1(jpeg.toHex()));
    EXPECT_EQ(writes(), "1");

    // The datasheet says what each cell holds.
    CFormFrame &frame = *driver().frame();
    frame.setView(CFormFrame::View::Datasheet);
    DatasheetModel &model = *frame.datasheet()->records();
    EXPECT_EQ(model.shownText(model.index(0, model.columnOf("anhang"))), "Binärdaten, 7 Bytes");
    EXPECT_EQ(model.shownText(model.index(1, model.columnOf("bild"))), "");
    frame.setView(CFormFrame::View::Form);

    runMenu(*picture, "Bild &entfernen", QString());
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM fotos WHERE id = 1 AND bild IS NULL"), "1");
}

// A picture of more than half a megabyte is decoded off the user's thread.
TEST_P(PictureFieldTest, ALargePictureIsDecodedWhileTheFormGoesOn)
{
    const QByteArray bmp = pictureBytes("BMP", QSize(640, 400));
    ASSERT_GT(bmp.size(), CDynPicture::kDecodeInBackground);
    ASSERT_TRUE(picture->LoadFile(file("gross.bmp", bmp)));
    EXPECT_TRUE(picture->IsDecoding());
    EXPECT_TRUE(picture->Picture().isNull());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !picture->IsDecoding(); }));
    EXPECT_FALSE(picture->Picture().isNull());
    EXPECT_LE(picture->Picture().width(),
              picture->GetWindow()->width() * picture->GetWindow()->devicePixelRatioF())
        << "decoded at the size it is shown";
    press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(storedHex("bild").size(), 2 * bmp.size());
}

QRT_INSTANTIATE_FOR_ENGINES(PictureFieldTest);

} // namespace
