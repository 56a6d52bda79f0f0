// The account list's column layout in the settings file, from one run to the next.

#include "BrowserWindow.h"

#include <QTest>

namespace {
const QString kList = QStringLiteral("Main.ListView_Accounts");
QString col(int i) {
    return kList + QLatin1Char('.') + QString::number(i);
}
QList<int> order(BrowserWindow& e) {
    QList<int> logical;
    for (int place = 0; place < e.header()->count(); ++place)
        logical.append(e.header()->logicalIndex(place));
    return logical;
}
QList<int> widths(BrowserWindow& e) {
    QList<int> px;
    for (int i = 0; i < e.header()->count(); ++i)
        px.append(e.header()->sectionSize(i));
    return px;
}
const QList<int> kSetupOrder = {0, 1, 2};
const QList<int> kSetupWidths = {113, 200, 200}; // 1700 and 3000 twips
const QList<int> kDraggedOrder = {2, 0, 1}, kDraggedWidths = {113, 250, 200};
} // namespace

class TestColumnLayout : public QObject {
    Q_OBJECT
    // One program run: a fresh main window that sets up its columns and loads the layout.
    std::unique_ptr<BrowserWindow> start() {
        auto run = std::make_unique<BrowserWindow>(*s_);
        run->browser->LoadColumnLayout();
        return run;
    }
    QString read(const QString& section, const char* key) {
        return s_->ini.read({}, section, QLatin1String(key));
    }
    void write(const QString& section, const char* key, const QString& value) {
        s_->ini.write({}, section, QLatin1String(key), value);
    }
    // A run in which the user dragged AccountName to the front and widened Description.
    void saveDraggedLayout() {
        auto run = start();
        run->header()->moveSection(2, 0);
        run->header()->resizeSection(1, 250);
        run->browser->SaveColumnLayout();
    }
    std::unique_ptr<TestServices> s_;

private slots:
    void initTestCase() { useTestTexts(); }
    void init() {
        languageCatalog().SelectLanguage(QStringLiteral("English"));
        s_ = std::make_unique<TestServices>();
    }

    void roundTripAfterDragAndResize() {
        saveDraggedLayout();
        auto section = [this](const QString& name, std::initializer_list<const char*> keys) {
            QStringList values;
            for (const char* key : keys)
                values << read(name, key);
            return values.join(u'|');
        };
        QCOMPARE(section(kList, {"ColumnsCount", "ContainerName", "Name"}), u"3|Main|ListView_Accounts");
        // Key, Text, Alignment, Position and Width (in twips) of each column.
        const QStringList columns = {"Type|T14|0|2|1700", "Description|T16|0|0|3750",
                                     "AccountName|T18|0|1|3000"};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(section(col(i), {"Key", "Text", "Alignment", "Position", "Width"}), columns[i]);

        // The next run shows AccountName first with the stored widths, and stores the same again.
        QFile file(s_->iniPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray firstSave = file.readAll();
        file.close();
        {
            auto run = start();
            QCOMPARE(order(*run), kDraggedOrder);
            QCOMPARE(widths(*run), kDraggedWidths);
            run->browser->SaveColumnLayout();
        }
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), firstSave);
    }

    void layoutSurvivesListings() {
        saveDraggedLayout();
        write(col(2), "Alignment", QStringLiteral("1"));
        auto run = start();
        QVERIFY(run->createVault());
        run->add(Banks, QStringLiteral("one"), QStringLiteral("a"));
        run->add(Banks, QStringLiteral("two"), QStringLiteral("b"));

        // Filling, emptying and sorting the list leaves the user's layout alone.
        run->browser->ListAccounts(Banks);
        run->browser->ListAccounts(Pins);
        run->browser->ShowAll();
        run->browser->ListView_Accounts_ColumnClick(1);
        run->browser->clearList();
        run->browser->ShowAll();
        QCOMPARE(widths(*run), kDraggedWidths);
        QCOMPARE(order(*run), kDraggedOrder);
        const QModelIndex cell = run->browser->listModel().index(0, 2);
        QCOMPARE(cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignHorizontal_Mask,
                 Qt::AlignRight);
    }

    void foreignLayoutIgnored_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("applied");
        auto row = [](const char* name, const char* key, const char* value, bool applied) {
            QTest::newRow(name) << QString::fromLatin1(key) << QString::fromLatin1(value) << applied;
        };
        row("as saved", "", "", true);
        row("count with trailing text", "ColumnsCount", "3 columns", true);
        row("another count", "ColumnsCount", "4", false);
        row("count missing, as on a first start", "ColumnsCount", "", false);
        row("another window", "ContainerName", "Find", false);
        row("window name in other case", "ContainerName", "main", false);
        row("another list", "Name", "ListView_Other", false);
    }

    void foreignLayoutIgnored() {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, applied);
        saveDraggedLayout();
        if (!key.isEmpty())
            write(kList, qPrintable(key), value);
        auto run = start();
        QCOMPARE(order(*run), applied ? kDraggedOrder : kSetupOrder);
        QCOMPARE(widths(*run), applied ? kDraggedWidths : kSetupWidths);
    }

    void headersFollowLanguageWidthsFromFile() {
        saveDraggedLayout();
        languageCatalog().SelectLanguage(QStringLiteral("Italiano"));
        auto run = start();
        QCOMPARE(widths(*run), kDraggedWidths);
        QCOMPARE(run->browser->listModel().headerData(0, Qt::Horizontal).toString(), "IT14");
        QCOMPARE(run->browser->listModel().headerData(2, Qt::Horizontal).toString(), "IT18");
    }

    void damagedValues() {
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
        QCOMPARE(order(*start()), kDraggedOrder);
    }
};

QTEST_MAIN(TestColumnLayout)
#include "tst_columnlayout.moc"
