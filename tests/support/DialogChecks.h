#ifndef QRT_TESTS_DIALOGCHECKS_H
#define QRT_TESTS_DIALOGCHECKS_H

#include <QStringList>

class QWidget;

// What a user would notice in a laid-out window, for every dialog's tests.

// The texts the window shows that are cut off: a label, button, frame title,
// box or field whose text needs more room than the control has, or a
// control that reaches past the window's edge. Each entry names the control
// and its text; empty when everything is whole.
QStringList clippedTexts(const QWidget *window);

// Labels (with a buddy) and buttons without a mnemonic, and mnemonic
// letters that two controls share. Buttons whose text is in exempt need
// none (a "..." button is opened by its field's key).
QStringList mnemonicProblems(const QWidget *window, const QStringList &exempt = {});

#endif // QRT_TESTS_DIALOGCHECKS_H
