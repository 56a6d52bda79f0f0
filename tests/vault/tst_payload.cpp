#include "Categories.h"
#include "PayloadCodec.h"

#include <QCborArray>
#include <QCborValue>
#include <QTest>

namespace {

// A payload as Qt's own CBOR writer puts it.
QByteArray payload(qint64 nextId, std::initializer_list<QCborArray> accounts) {
    QCborArray list;
    for (const QCborArray& a : accounts)
        list.append(a);
    return QCborValue(QCborArray{nextId, list}).toCbor();
}

} // namespace

// The payload codec is our own; these checks keep it plain CBOR that any CBOR reader agrees with.
class TestPayload : public QObject {
    Q_OBJECT
private slots:
    void agreesWithQtsCbor() {
        // Field numbers 52, 53 and 63 are Description, AccountName and Notes in every file.
        const QString notes = QString(70000, u'x') + "😀\nend"; // a length past 16 bits
        const QByteArray bytes =
            payload(300, {QCborArray{7, Banks, 2.5, 46000.25, -7, true, 52, "Zürich bank", 63, notes},
                          QCborArray{299, Pins, 2.0, 46000.5, 0, false, 53, "joe"}});
        VaultContents back;
        QVERIFY(decodePayload(bytes, back));
        QCOMPARE(back.nextId, 300u);
        QCOMPARE(back.accounts.size(), size_t(2));
        const StoredAccount& a = back.accounts[0];
        QCOMPARE(a.id, 7);
        QCOMPARE(a.type, int(Banks));
        QCOMPARE(a.expirationPwd, 2.5);
        QCOMPARE(a.recordDate, 46000.25);
        QCOMPARE(a.reserved, -7);
        QVERIFY(a.myAccount);
        QCOMPARE(fieldOf(a, 52), u"Zürich bank");
        QCOMPARE(fieldOf(a, 63), notes);
        QCOMPARE(fieldOf(back.accounts[1], 53), u"joe");
        // Both writers take the shortest integer heads, so ours gives back the very same bytes.
        QCOMPARE(encodePayload(back), bytes);
    }

    void refusesWhatWeWouldNeverWrite() {
        // Damage a key holder could do; each row differs from a good payload in one way.
        auto bank = [](qint64 id, qint64 type = Banks) {
            return QCborArray{id, type, 2.0, 46000.5, 0, false};
        };
        const QByteArray good = payload(5, {bank(3)});
        const std::pair<const char*, QByteArray> bad[] = {
            {"same identifier twice", payload(5, {bank(3), bank(3)})},
            {"identifiers descending", payload(5, {bank(3), bank(2)})},
            // An account at or past the next identifier would be handed out again.
            {"identifier at nextId", payload(3, {bank(3)})},
            {"identifier 0", payload(5, {bank(0)})},
            {"category 13", payload(5, {bank(3, 13)})},
            {"category 2^32 + 3", payload(5, {bank(3, (qint64(1) << 32) + 3)})},
            {"category -2^32 + 3", payload(5, {bank(3, -(qint64(1) << 32) + 3)})},
            {"field numbers descending", payload(5, {bank(3) + QCborArray{63, "n", 52, "d"}})},
            {"field number past the last", payload(5, {bank(3) + QCborArray{64, "x"}})},
            {"a number without its text", payload(5, {bank(3) << 52})},
            {"trailing byte", good + QByteArray(1, '\0')},
        };
        VaultContents back;
        QVERIFY(decodePayload(good, back));
        for (const auto& [what, bytes] : bad) {
            back.accounts.resize(1);
            QVERIFY2(!decodePayload(bytes, back), what);
            QVERIFY(back.accounts.empty()); // nothing half-read stays
        }
        for (qsizetype n = 0; n < good.size(); ++n)
            QVERIFY(!decodePayload(good.left(n), back));
    }
};

QTEST_APPLESS_MAIN(TestPayload)
#include "tst_payload.moc"
