#include "Form_about.h"
#include "Funzioni.h"
#include "TextCatalog.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestAbout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup() { setLinkOpener({}); }
    void loadPutsOurTextsAfterTheCatalogs();
    void addressLabelsOpenTheirLinks();
    void okClosesAndUnloads();

private:
    QTemporaryDir dir_;
    QList<QUrl> opened_;
};

void TestAbout::initTestCase() {
    const QString lan = dir_.filePath(QStringLiteral("about.lan"));
    QFile file(lan);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[default] English\n"
               "[language English]\n"
               "text 79 = Release\n"
               "control Form_about/Form_about caption = About this program\n"
               "control Form_about/Labels_0 caption = not the product name\n"
               "control Form_about/Labels_1 caption = not the version\n"
               "control Form_about/Labels_2 caption = Made by:\n"
               "control Form_about/Labels_3 caption = not the address\n"
               "control Form_about/Labels_3 tooltip = Visit us\n"
               "[language Italiano]\n"
               "text 79 = Versione\n"
               "control Form_about/Labels_2 caption = Sviluppato da:\n");
    file.close();
    InitLanguage(lan);
}

void TestAbout::init() {
    opened_.clear();
    setLinkOpener([this](const QUrl& url) {
        opened_.append(url);
        return true;
    });
}

void TestAbout::loadPutsOurTextsAfterTheCatalogs() {
    QWidget owner;
    auto* about = new Form_about(&owner, QStringLiteral("English"));
    QCOMPARE(about->objectName(), QStringLiteral("Form_about"));
    QCOMPARE(about->parentWidget(), &owner);
    QVERIFY(!about->isModal());
    QCOMPARE(about->windowTitle(), QStringLiteral("About this program"));

    QCOMPARE(about->label(0)->text(), QStringLiteral("Vantrel"));
    QCOMPARE(about->label(1)->text(), QStringLiteral("Release 4.0.14"));
    QCOMPARE(about->label(2)->text(), QStringLiteral("Made by:"));
    QCOMPARE(about->label(3)->text(), QStringLiteral("www.vantrel.org"));
    QCOMPARE(about->label(3)->toolTip(), QStringLiteral("Visit us"));
    QCOMPARE(about->label(4)->text(), QStringLiteral("support@vantrel.org"));
    QCOMPARE(about->label(4)->toolTip(), QStringLiteral("Click here to send us an email"));
    QVERIFY(!about->label(5));

    for (int i = 0; i < 5; ++i)
        QCOMPARE(about->findChild<QLabel*>(QStringLiteral("Labels_%1").arg(i)), about->label(i));
    auto* logo = about->findChild<QLabel*>(QStringLiteral("Image_Logo"));
    QVERIFY(logo);
    QVERIFY(!logo->pixmap().isNull());
    QVERIFY(about->findChild<QPushButton*>(QStringLiteral("Command_OK")));
    QCOMPARE(about->label(3)->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(about->label(4)->cursor().shape(), Qt::PointingHandCursor);

    // The box takes the language it is given; single texts follow the selected one.
    auto* italian = new Form_about(&owner, QStringLiteral("Italiano"));
    QCOMPARE(italian->label(2)->text(), QStringLiteral("Sviluppato da:"));
    QCOMPARE(italian->windowTitle(), QStringLiteral("About Vantrel"));
    QCOMPARE(italian->label(3)->toolTip(), QStringLiteral("Click here to open web site"));
    QCOMPARE(italian->label(1)->text(), QStringLiteral("Release 4.0.14"));
}

void TestAbout::addressLabelsOpenTheirLinks() {
    QWidget owner;
    auto* about = new Form_about(&owner, QStringLiteral("English"));
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));

    for (int i : {0, 1, 2})
        QTest::mouseClick(about->label(i), Qt::LeftButton);
    QVERIFY(opened_.isEmpty());

    QTest::mouseClick(about->label(3), Qt::LeftButton);
    QTest::mouseClick(about->label(4), Qt::LeftButton);
    QTest::mouseClick(about->label(3), Qt::RightButton);
    QCOMPARE(opened_, (QList<QUrl>{QUrl(QStringLiteral("http://www.vantrel.org")),
                                   QUrl(QStringLiteral("mailto:support@vantrel.org"))}));
}

void TestAbout::okClosesAndUnloads() {
    QWidget owner;
    owner.show();
    QPointer<Form_about> about = new Form_about(&owner, QStringLiteral("English"));
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QVERIFY(owner.isEnabled()); // the owner stays usable
    QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("Command_OK")), Qt::LeftButton);
    QTRY_VERIFY(about.isNull());
    QVERIFY(owner.isVisible());
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
