#include "Prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

class TestPrompts : public QObject {
    Q_OBJECT

    // Asks the real question and answers it as `answer` says once the box shows.
    bool askAndAnswer(const std::function<void(QMessageBox*)>& answer) {
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                answer(box);
            }
        });
        poll.start(10);
        return QtPrompts().askYesNo(nullptr, QStringLiteral("Delete the account?"), QStringLiteral("Delete"));
    }

private slots:
    // The questions guard deletions and discarded changes: Enter alone must not say Yes.
    void questionSaysYesOnlyWhenYesIsChosen() {
        QVERIFY(!askAndAnswer([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }));
        QVERIFY(askAndAnswer([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); }));
    }
};

QTEST_MAIN(TestPrompts)
#include "tst_prompts.moc"
