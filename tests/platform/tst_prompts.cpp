#include "Prompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {
// Acts on the next modal dialog of type T as soon as it shows.
template <typename T> void whenShown(std::function<void(T*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            dialog && dialog->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(dialog);
        }
    });
    poll->start();
}
} // namespace

class TestPrompts : public QObject {
    Q_OBJECT
private slots:
    void scriptAnswersInOrderAndRecords();
    void questionIsYesNoDefaultingToNo();
    void alertHasExclamationAndOk();
    void inputBoxTypedAndCancelled();
};

void TestPrompts::scriptAnswersInOrderAndRecords() {
    ScriptedPrompts prompts;
    prompts.answerYes();
    prompts.answerNo();
    prompts.answerInput(QStringLiteral("typed"));
    prompts.cancelInput();

    QVERIFY(prompts.askYesNo(nullptr, QStringLiteral("Save?"), QStringLiteral("Vantrel")));
    QVERIFY(!prompts.askYesNo(nullptr, QStringLiteral("Delete?"), QStringLiteral("Delete")));
    QVERIFY(!prompts.askYesNo(nullptr, QStringLiteral("Again?"), QStringLiteral("Delete")));
    QCOMPARE(prompts.unansweredYesNo, 1);

    prompts.alert(nullptr, QStringLiteral("Too short"), QStringLiteral("Password"));
    QString value = QStringLiteral("before");
    QVERIFY(prompts.inputBox(nullptr, QStringLiteral("How many?"), QStringLiteral("Batch"), {}, value));
    QCOMPARE(value, QStringLiteral("typed"));
    QVERIFY(!prompts.inputBox(nullptr, QStringLiteral("How many?"), QStringLiteral("Batch"), {}, value));
    QVERIFY(!prompts.inputBox(nullptr, QStringLiteral("How many?"), QStringLiteral("Batch"), {}, value));
    QCOMPARE(value, QStringLiteral("typed")); // a cancel leaves the value alone
    QCOMPARE(prompts.unansweredInput, 1);

    QCOMPARE(prompts.asked.size(), 7);
    QCOMPARE(prompts.asked.at(1).kind, ScriptedPrompts::Asked::YesNo);
    QCOMPARE(prompts.asked.at(1).prompt, QStringLiteral("Delete?"));
    QCOMPARE(prompts.asked.at(1).title, QStringLiteral("Delete"));
    QCOMPARE(prompts.asked.at(3).kind, ScriptedPrompts::Asked::Alert);
    QCOMPARE(prompts.asked.at(3).prompt, QStringLiteral("Too short"));
    QCOMPARE(prompts.asked.at(6).kind, ScriptedPrompts::Asked::Input);
}

void TestPrompts::questionIsYesNoDefaultingToNo() {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        QTest::keyClick(box, Qt::Key_Return); // the default button
    });
    QtPrompts prompts;
    QVERIFY(!prompts.askYesNo(nullptr, QStringLiteral("Delete the account?"), QStringLiteral("Delete")));
    QCOMPARE(icon, QMessageBox::Question);
    QCOMPARE(title, QStringLiteral("Delete"));
    QCOMPARE(text, QStringLiteral("Delete the account?"));
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);

    whenShown<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
    QVERIFY(!prompts.askYesNo(nullptr, QStringLiteral("Save changes?"), QStringLiteral("Vantrel")));
    whenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    QVERIFY(prompts.askYesNo(nullptr, QStringLiteral("Save changes?"), QStringLiteral("Vantrel")));
}

void TestPrompts::alertHasExclamationAndOk() {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    QtPrompts prompts;
    prompts.alert(nullptr, QStringLiteral("Wrong password"), QStringLiteral("Vantrel"));
    QCOMPARE(icon, QMessageBox::Warning);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestPrompts::inputBoxTypedAndCancelled() {
    QString shownInitial;
    whenShown<QInputDialog>([&](QInputDialog* dialog) {
        shownInitial = dialog->textValue();
        dialog->setTextValue(QStringLiteral("25"));
        dialog->accept();
    });
    QtPrompts prompts;
    QString value;
    QVERIFY(prompts.inputBox(nullptr, QStringLiteral("How many?"), QStringLiteral("Batch"),
                             QStringLiteral("10"), value));
    QCOMPARE(shownInitial, QStringLiteral("10"));
    QCOMPARE(value, QStringLiteral("25"));

    whenShown<QInputDialog>([](QInputDialog* dialog) { dialog->reject(); });
    QVERIFY(!prompts.inputBox(nullptr, QStringLiteral("How many?"), QStringLiteral("Batch"),
                              QStringLiteral("10"), value));
    QCOMPARE(value, QStringLiteral("25"));
}

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
