#include "PayloadCodec.h"

#include <QCborArray>
#include <QCborStreamWriter>
#include <QCborValue>
#include <QTest>

// The payload codec is our own; these checks keep it plain CBOR that any CBOR reader agrees with.
class TestPayload : public QObject {
    Q_OBJECT
private slots:
    void encodingIsStandardCbor();
    void readsWhatQtsWriterWrites();
    void refusesCategoryCodesBeyond32Bits();
};

namespace {
StoredAccount account(qint32 id, const QString& description, const QString& notes) {
    StoredAccount a;
    a.id = id;
    a.type = 10;
    a.expirationPwd = 2.5;
    a.recordDate = 46000.25;
    a.reserved = -7;
    a.myAccount = true;
    // Two string fields: Description (number 52) and Notes (number 63), packed as stored.
    const QList<std::pair<int, QString>> fields{{52, description}, {63, notes}};
    for (const auto& [number, text] : fields) {
        a.packed += QChar(char16_t(number));
        a.packed += QChar(char16_t(quint64(text.size()) >> 16));
        a.packed += QChar(char16_t(text.size() & 0xFFFF));
    }
    for (const auto& field : fields)
        a.packed += field.second;
    a.fieldCount = 2;
    return a;
}
} // namespace

void TestPayload::encodingIsStandardCbor() {
    VaultContents c;
    c.nextId = 300;
    c.accounts.push_back(account(7, "Zürich bank", QString(70000, u'x') + "😀\nend"));
    c.accounts.push_back(account(299, "b", "n"));
    const QByteArray bytes = encodePayload(c);
    QCborParserError error;
    const QCborValue v = QCborValue::fromCbor(bytes, &error);
    QCOMPARE(error.error, QCborError::NoError);
    const QCborArray top = v.toArray();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0].toInteger(), 300);
    const QCborArray first = top[1].toArray()[0].toArray();
    QCOMPARE(first[0].toInteger(), 7);
    QCOMPARE(first[1].toInteger(), 10);
    QCOMPARE(first[2].toDouble(), 2.5);
    QCOMPARE(first[3].toDouble(), 46000.25);
    QCOMPARE(first[4].toInteger(), -7);
    QCOMPARE(first[5].toBool(), true);
    QCOMPARE(first[7].toString(), u"Zürich bank");
    QCOMPARE(first[9].toString(), QString(70000, u'x') + "😀\nend");

    VaultContents back;
    QVERIFY(decodePayload(bytes, back));
    QCOMPARE(back.nextId, 300u);
    QCOMPARE(back.accounts.size(), size_t(2));
    QCOMPARE(back.accounts[0].packed, c.accounts[0].packed);
    QCOMPARE(encodePayload(back), bytes);
}

void TestPayload::readsWhatQtsWriterWrites() {
    // The same content through Qt's own writer, with its own choice of integer sizes.
    QByteArray bytes;
    QCborStreamWriter w(&bytes);
    w.startArray(2);
    w.append(quint64(1000));
    w.startArray(1);
    w.startArray(8);
    w.append(qint64(999));
    w.append(qint64(3));
    w.append(2.0);
    w.append(46000.5);
    w.append(qint64(0));
    w.append(false);
    w.append(quint64(53)); // AccountName
    w.append(QStringLiteral("joe"));
    w.endArray();
    w.endArray();
    w.endArray();
    VaultContents back;
    QVERIFY(decodePayload(bytes, back));
    QCOMPARE(back.accounts.size(), size_t(1));
    QCOMPARE(back.accounts[0].id, 999);
    QCOMPARE(back.accounts[0].type, 3);
    QCOMPARE(back.accounts[0].recordDate, 46000.5);
    QCOMPARE(back.accounts[0].packed.mid(3), u"joe");
    QCOMPARE(encodePayload(back), bytes);
}

void TestPayload::refusesCategoryCodesBeyond32Bits() {
    // 2^32 + 3 and -2^32 + 3 both narrow to category 3; neither is a category code.
    for (qint64 type : {(qint64(1) << 32) + 3, -(qint64(1) << 32) + 3}) {
        const QCborArray account{1, type, 2.0, 46000.5, 0, false};
        VaultContents back;
        QVERIFY(!decodePayload(QCborValue(QCborArray{2, QCborArray{account}}).toCbor(), back));
    }
}

QTEST_APPLESS_MAIN(TestPayload)
#include "tst_payload.moc"
