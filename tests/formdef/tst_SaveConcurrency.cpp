#include "FormTestSupport.h"

#include "platform/ComError.h"
#include "platform/RecordingMessages.h"
#include "support/ChildProcess.h"
#include "support/PrintedMessages.h"

#include <QTextStream>

// Two programs saving the layout of one form at the same moment, as two
// users at two desks: each test starts copies of this test program, which
// share nothing but the database.
namespace {

constexpr int kRounds = 15;

// Arguments: database, server, user, DBTYP, the program's tag. Program A
// saves the five fields with a caption "Programm A", program B the same
// without the name field and with "Programm B", each kRounds times, the
// round in the title.
QRT_CHILD_ACTION(saveLayout, [](const QStringList &args) {
    PrintedMessages printed;
    ScopedUserMessages scope(printed);
    const QString tag = args.at(4);
    TestFormHost host;
    CAdoFormBuilder builder;
    FormWindow *form = builder.CreateForm(&host, true,
                                          formDocument(args.at(0), args.at(1), args.at(2),
                                                       args.at(3), QStringLiteral("kunden"), true));
    if (!form)
        return 3;
    // The other program may have saved its layout already, and then this
    // one starts from that: the layout is laid anew from the builder's pool.
    while (!form->controls().isEmpty())
        form->removeControl(*form->controls().last());
    builder.PlaceControl(ControlKind::Edit, QStringLiteral("id"));
    if (tag == QLatin1String("A"))
        builder.PlaceControl(ControlKind::Edit, QStringLiteral("name"));
    builder.PlaceControl(ControlKind::Edit, QStringLiteral("betrag"));
    builder.PlaceControl(ControlKind::DateTime, QStringLiteral("seit"));
    builder.PlaceControl(ControlKind::Checkbox, QStringLiteral("aktiv"));
    const QString caption = QStringLiteral("Programm ") + tag;
    builder.AddStatic(caption);
    builder.PlaceControl(ControlKind::Static, caption);
    int failed = 0;
    for (int round = 0; round < kRounds; ++round) {
        host.SetTitle(QStringLiteral("%1 %2").arg(tag).arg(round));
        try {
            builder.SaveForm();
        } catch (const ComError &error) {
            QTextStream(stderr) << error.message() << Qt::endl;
            ++failed;
        }
    }
    return failed == 0 ? 0 : 2;
});

using SaveConcurrencyTest = EngineTest;

TEST_P(SaveConcurrencyTest, TwoProgramsSavingOneFormLeaveOneCompleteDefinition)
{
    QRT_REQUIRE_DATABASE(db);
    createKunden(db); // no form tables yet: both programs make them too
    const QStringList database{db.dbName(), db.serverName(), db.userId(), db.dbTyp()};
    // Both at once, each with its own layout.
    const QVector<ChildProcess::Result> results = ChildProcess::runEach(
        "saveLayout", {database + QStringList{"A"}, database + QStringList{"B"}});
    for (const ChildProcess::Result &result : results)
        EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();

    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORM"), "1") << "never a second form row";
    const QString title = db.scalar("SELECT FORM_TITEL FROM QRTFORM");
    ASSERT_FALSE(title.isEmpty());
    const QString winner = title.left(1);
    const QString loser = winner == "A" ? "B" : "A";
    EXPECT_EQ(title, winner + QStringLiteral(" %1").arg(kRounds - 1)) << "the last save stays";

    // All items belong to that row and are the winner's, complete.
    const QString formId = db.scalar("SELECT QRTFORM_ID FROM QRTFORM");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM"), winner == "A" ? "10" : "8");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM WHERE QRTFORM_ID = " + formId),
              db.scalar("SELECT COUNT(*) FROM QRTFORMITEM"));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM WHERE CONTROLINFO LIKE '%Programm " +
                        winner + "%'"),
              "1");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM QRTFORMITEM WHERE CONTROLINFO LIKE '%Programm " +
                        loser + "%'"),
              "0");
}

QRT_INSTANTIATE_FOR_ENGINES(SaveConcurrencyTest);

} // namespace
