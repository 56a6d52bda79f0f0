// The account list's column layout in the settings file, from one run to the next.

#include "BrowseTestKit.h"

#include <QTest>

using namespace browsekit;

namespace {
const QString kList = QStringLiteral("Main.ListView_Accounts");
QString col(int i) {
    return kList + QLatin1Char('.') + QString::number(i);
}
QString read(const QString& section, const char* key) {
    return SharedForm::instance().KW_ini_1().read({}, section, QLatin1String(key));
}
void write(const QString& section, const char* key, const QString& value) {
    SharedForm::instance().KW_ini_1().write({}, section, QLatin1String(key), value);
}
QList<int> order(Env& e) {
    QList<int> logical;
    for (int place = 0; place < e.header()->count(); ++place)
        logical.append(e.header()->logicalIndex(place));
    return logical;
}
QList<int> widths(Env& e) {
    QList<int> px;
    for (int i = 0; i < e.header()->count(); ++i)
        px.append(e.header()->sectionSize(i));
    return px;
}
const QList<int> kSetupOrder = {0, 1, 2};
const QList<int> kSetupWidths = {113, 200, 200}; // 1700 and 3000 twips
} // namespace

class TestColumnLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void firstStartKeepsSetup();
    void roundTripAfterDragAndResize();
    void layoutSurvivesListings();
    void foreignLayoutIgnored_data();
    void foreignLayoutIgnored();
    void headersFollowLanguageWidthsFromFile();
    void damagedValues();

private:
    // One program run: a fresh main window that sets up its columns and loads the layout.
    std::unique_ptr<Env> start() {
        auto env = std::make_unique<Env>(settings());
        env->browser->LoadColumnLayout();
        return env;
    }
    // A run in which the user dragged AccountName to the front and widened Description.
    void saveDraggedLayout() {
        auto run = start();
        run->header()->moveSection(2, 0);
        run->header()->resizeSection(1, 250);
        run->browser->SaveColumnLayout();
    }
    QString settings() const { return dir_->filePath(QStringLiteral("QX.ini")); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestColumnLayout::initTestCase() {
    static QTemporaryDir languageDir;
    loadLanguages(languageDir.path());
}

void TestColumnLayout::init() {
    languageCatalog().SelectLanguage(QStringLiteral("English"));
    dir_ = std::make_unique<QTemporaryDir>();
    SharedForm::instance().KW_ini_1().setDefaultFile(settings());
}

void TestColumnLayout::firstStartKeepsSetup() {
    auto run = start();
    QCOMPARE(widths(*run), kSetupWidths);
    QCOMPARE(order(*run), kSetupOrder);
    QVERIFY(!QFile::exists(settings()));
}

void TestColumnLayout::roundTripAfterDragAndResize() {
    saveDraggedLayout();
    QCOMPARE(read(kList, "ColumnsCount"), QStringLiteral("3"));
    QCOMPARE(read(kList, "ContainerName"), QStringLiteral("Main"));
    QCOMPARE(read(kList, "Name"), QStringLiteral("ListView_Accounts"));
    const QStringList keys = {"Type", "Description", "AccountName"},
                      texts = {"Type", "Description", "Account name"};
    const QStringList positions = {"2", "0", "1"}, twips = {"1700", "3750", "3000"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(read(col(i), "Key"), keys[i]);
        QCOMPARE(read(col(i), "Text"), texts[i]);
        QCOMPARE(read(col(i), "Alignment"), QStringLiteral("0"));
        QCOMPARE(read(col(i), "Position"), positions[i]);
        QCOMPARE(read(col(i), "Width"), twips[i]);
    }

    // The next run shows AccountName first with the stored widths, and stores the same again.
    QFile file(settings());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray firstSave = file.readAll();
    file.close();
    {
        auto run = start();
        QCOMPARE(order(*run), QList<int>({2, 0, 1}));
        QCOMPARE(widths(*run), QList<int>({113, 250, 200}));
        run->browser->SaveColumnLayout();
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), firstSave);
}

void TestColumnLayout::layoutSurvivesListings() {
    saveDraggedLayout();
    write(col(2), "Alignment", QStringLiteral("1"));
    auto run = start();
    QVERIFY(run->createVault(dir_->filePath(QStringLiteral("v.qx"))));
    run->add(Banks, QStringLiteral("one"), QStringLiteral("a"));
    run->add(Banks, QStringLiteral("two"), QStringLiteral("b"));

    // Filling, emptying and sorting the list leaves the user's layout alone.
    run->browser->ListAccounts(Banks);
    run->browser->ListAccounts(Pins);
    run->browser->ShowAll();
    run->browser->ListView_Accounts_ColumnClick(1);
    run->browser->clearList();
    run->browser->ShowAll();
    QCOMPARE(widths(*run), QList<int>({113, 250, 200}));
    QCOMPARE(order(*run), QList<int>({2, 0, 1}));
    const QModelIndex cell = run->browser->listModel().index(0, 2);
    QCOMPARE(cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
             Qt::AlignRight);
}

void TestColumnLayout::foreignLayoutIgnored_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("applied");
    QTest::newRow("as saved") << QString() << QString() << true;
    QTest::newRow("count with trailing text") << "ColumnsCount"
                                              << "3 columns" << true;
    QTest::newRow("another count") << "ColumnsCount"
                                   << "4" << false;
    QTest::newRow("count missing") << "ColumnsCount"
                                   << "" << false;
    QTest::newRow("another window") << "ContainerName"
                                    << "Find" << false;
    QTest::newRow("window name in other case") << "ContainerName"
                                               << "main" << false;
    QTest::newRow("another list") << "Name"
                                  << "ListView_Other" << false;
}

void TestColumnLayout::foreignLayoutIgnored() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, applied);
    saveDraggedLayout();
    if (!key.isEmpty())
        write(kList, qPrintable(key), value);
    auto run = start();
    QCOMPARE(order(*run), applied ? QList<int>({2, 0, 1}) : kSetupOrder);
    QCOMPARE(widths(*run), applied ? QList<int>({113, 250, 200}) : kSetupWidths);
}

void TestColumnLayout::headersFollowLanguageWidthsFromFile() {
    saveDraggedLayout();
    languageCatalog().SelectLanguage(QStringLiteral("Italiano"));
    auto run = start();
    QCOMPARE(widths(*run), QList<int>({113, 250, 200}));
    QCOMPARE(run->browser->listModel().headerData(0, Qt::Horizontal).toString(), QStringLiteral("IT Type"));
    QCOMPARE(run->browser->listModel().headerData(2, Qt::Horizontal).toString(),
             QStringLiteral("IT Account name"));
}

void TestColumnLayout::damagedValues() {
    saveDraggedLayout();
    // Hand-edited values: widths that are no number, far too large or negative, and positions
    // that name one column twice.
    write(col(0), "Width", QStringLiteral("wide"));
    write(col(1), "Width", QStringLiteral("1e30"));
    write(col(2), "Width", QStringLiteral("-300"));
    write(col(1), "Position", QStringLiteral("2"));
    write(col(1), "Alignment", QStringLiteral("2 (centre)"));
    auto run = start();
    QCOMPARE(widths(*run), QList<int>({0, run->header()->maximumSectionSize(), 0}));
    QCOMPARE(order(*run), kSetupOrder); // not a rearrangement: the order is not applied
    QCOMPARE(run->browser->listModel().columns()[1].alignment, 2);

    write(col(1), "Position", QStringLiteral("0")); // a valid order again
    QCOMPARE(order(*start()), QList<int>({2, 0, 1}));
}

QTEST_MAIN(TestColumnLayout)
#include "tst_columnlayout.moc"
