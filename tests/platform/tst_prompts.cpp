#include "Prompts.h"

#include <QTest>
#include <QtWidgets>

#include <functional>

class TestPrompts : public QObject {
    Q_OBJECT

    // Asks the real question and answers it as `answer` says once the box shows.
    template <typename Ask> auto answered(const std::function<void(QMessageBox*)>& answer, Ask ask) {
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                answer(box);
            }
        });
        poll.start(10);
        return ask();
    }
    bool yesNo(const std::function<void(QMessageBox*)>& answer) {
        return answered(answer,
                        [] { return QtPrompts().askYesNo(nullptr, "Delete the account?", "Delete"); });
    }
    Prompts::Answer saveChanges(const std::function<void(QMessageBox*)>& answer) {
        return answered(answer,
                        [] { return QtPrompts().askSaveChanges(nullptr, "Save the changes?", "Save"); });
    }
    static void press(QMessageBox* box, Qt::Key key) { QTest::keyClick(box, key); }

private slots:
    // Questions that guard a deletion: neither Enter nor Esc says Yes.
    void plainQuestionSaysYesOnlyWhenYesIsChosen() {
        QVERIFY(!yesNo([](QMessageBox* box) { press(box, Qt::Key_Return); }));
        QVERIFY(!yesNo([](QMessageBox* box) { press(box, Qt::Key_Escape); }));
        QVERIFY(yesNo([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); }));
    }

    // "Save the changes?": Enter saves, Esc and the close box cancel, only No discards.
    void saveQuestionKeepsWorkUnlessNoIsChosen() {
        using A = Prompts::Answer;
        QCOMPARE(saveChanges([](QMessageBox* box) { press(box, Qt::Key_Return); }), A::Yes);
        QCOMPARE(saveChanges([](QMessageBox* box) { press(box, Qt::Key_Escape); }), A::Cancel);
        QCOMPARE(saveChanges([](QMessageBox* box) { box->close(); }), A::Cancel);
        QCOMPARE(saveChanges([](QMessageBox* box) { box->button(QMessageBox::No)->click(); }), A::No);
    }
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
