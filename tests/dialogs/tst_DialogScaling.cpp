#include "dialogs/CCtrlPropDlg.h"
#include "dialogs/CFormPropDlg.h"
#include "dialogs/CTabOrderDlg.h"
#include "platform/RecordingMessages.h"
#include "support/Pictures.h"
#include "support/TestFormHost.h"

#include <gtest/gtest.h>

// The design dialogs on a 1280x800 screen at 200 % scaling, where the
// screen has 640x400 logical pixels.
namespace {

QRT_CHILD_ACTION(designDialogsAt200Percent, [](const QStringList &) {
    if (const QString problem = Pictures::screenProblem(); !problem.isEmpty())
        return Pictures::report({problem});
    RecordingMessages messages;
    ScopedUserMessages installed(messages);
    QStringList problems;
    CCtrlPropDlg control;
    control.m_title = QStringLiteral("Überschrift mit einem recht langen Text");
    control.m_width = 120;
    control.m_height = 21;
    control.m_fontName = QStringLiteral("Microsoft Sans Serif");
    control.m_fontSize = 100;
    control.m_fontWeight = 700;
    control.m_italic = 1;
    control.m_lookupColumns = {QStringLiteral("Firmenname"), QStringLiteral("Ort")};
    control.m_automaticLookupColumn = QStringLiteral("Firmenname");
    problems << Pictures::checkWindow(&control, QStringLiteral("control-200.png"));
    CFormPropDlg form;
    form.m_rasterX = 10;
    form.m_rasterY = 10;
    form.m_title = QStringLiteral("Kunden und Lieferanten");
    problems << Pictures::checkWindow(&form, QStringLiteral("form-200.png"));
    TestFormHost host;
    PoolBuilder builder;
    builder.CreateForm(&host, true, QString());
    for (const char *column : {"kundennummer", "lieferadresse_ort", "aktiv"})
        builder.AddEdit(QString::fromLatin1(column), 10, 10, InputKind::FreeText);
    builder.PlaceControl(ControlKind::Edit, QStringLiteral("kundennummer"));
    CTabOrderDlg layout(builder.GetForm(), &builder);
    problems << Pictures::checkWindow(&layout, QStringLiteral("layout-200.png"));
    return Pictures::report(problems);
});

} // namespace

TEST(DesignDialogScaling, At200PercentOnA1280x800ScreenEveryTextIsWhole)
{
    const ChildProcess::Result result = Pictures::runAt200Percent("designDialogsAt200Percent");
    EXPECT_EQ(result.exitCode, 0) << result.output.toStdString();
    const QImage control(Pictures::path(QStringLiteral("control-200.png")));
    EXPECT_GT(control.width(), 2 * 300) << "drawn at 200 %";
    EXPECT_LE(control.height(), 800);
}
