#include "Doubles.h"
#include "Form_about.h"
#include "Product.h"
#include "TextCatalog.h"

#include <QTest>
#include <QtWidgets>

class TestAbout : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QFile file(dir_.filePath("about.lan"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[default] English\n[language English]\ntext 79 = Release\n"
            "control Form_about/Form_about caption = About this program\n"
            "control Form_about/Labels_2 caption = Made by:\ncontrol Form_about/Labels_3 tooltip = Visit us\n"
            // The catalog cannot change the product's own lines.
            "control Form_about/Labels_0 caption = x\ncontrol Form_about/Labels_1 caption = x\n"
            "control Form_about/Labels_3 caption = x\ncontrol Form_about/Labels_4 caption = x\n"
            "[language Italiano]\ntext 79 = Versione\n"
            "control Form_about/Labels_2 caption = Sviluppato da:\n");
        file.close();
        InitLanguage(file.fileName());
    }

    // The catalog's texts come first; the product's own lines always win over them. Single
    // texts follow the selected language, whatever language the box is built in. The address
    // labels open their links; closed with OK, the box is gone and the next About loads afresh.
    void productLinesLinksAndOk() {
        RecordingLinks links;
        QPointer<Form_about> about = new Form_about(nullptr, "English", links);
        const Form_about italian(nullptr, "Italiano", links);
        const QString version = "Release " + Product::version();
        const QStringList shown{about->windowTitle(),    about->label(0)->text(),  about->label(1)->text(),
                                about->label(2)->text(), about->label(3)->text(),  about->label(3)->toolTip(),
                                about->label(4)->text(), italian.label(1)->text(), italian.label(2)->text()};
        QCOMPARE(shown, QStringList({"About this program", Product::name(), version,
                                     "Made by:", Product::webAddress(), "Visit us", Product::emailAddress(),
                                     version, "Sviluppato da:"}));

        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        for (int i : {0, 1, 2, 3, 4})
            QTest::mouseClick(about->label(i), Qt::LeftButton);
        QTest::mouseClick(about->label(3), Qt::RightButton);
        QCOMPARE(links.opened, QList<QUrl>({QUrl("http://" + Product::webAddress()),
                                            QUrl("mailto:" + Product::emailAddress())}));
        QTest::mouseClick(about->findChild<QPushButton*>("Command_OK"), Qt::LeftButton);
        QTRY_VERIFY(about.isNull());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
