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
        // Field numbers 51, 52 and 63 are Description, AccountName and Notes in every file.
        const QString notes = QString(70000, u'x') + "😀\nend"; // a length past 16 bits
        const QByteArray bytes =
            payload(300, {QCborArray{7, Banks, 2.5, 46000.25, -7, true, 51, "Zürich bank", 63, notes},
                          QCborArray{299, Pins, 2.0, 46000.5, 0, false, 52, "joe"}});
        VaultContents back;
        QVERIFY(decodePayload(bytes, back));
        QVERIFY(back.nextId == 300u && back.accounts.size() == 2);
        AccountRecord a;
        unpack(back.accounts[0], a);
        QVERIFY(a.ID == 7 && a.Type == Banks && a.ExpirationPwd == 2.5 && a.RecordDate == 46000.25 &&
                a.Reserved == -7 && a.MyAccount);
        QVERIFY(a.Description == u"Zürich bank" && a.Notes == notes);
        QCOMPARE(fieldOf(back.accounts[1], 52).toString(), u"joe");
        // Both writers take the shortest integer heads, so ours gives back the very same bytes.
        QCOMPARE(encodePayload(back), bytes);
        // An account is written out as it was read, longer heads and all: nothing is encoded again.
        QByteArray longer = payload(5, {QCborArray{3, Pins, 2.0, 46000.5, 0, false, 53, "joe"}});
        longer.replace(QByteArray::fromHex("8803"), QByteArray::fromHex("881803"));
        QVERIFY(decodePayload(longer, back) && back.accounts[0].id == 3);
        QCOMPARE(encodePayload(back), longer);
    }

    void refusesWhatWeWouldNeverWrite() {
        // Damage a key holder could do; each row differs from a good payload in one way.
        auto bank = [](qint64 id, qint64 type = Banks, const QCborArray& fields = {}) {
            QCborArray a{id, type, 2.0, 46000.5, 0, false};
            for (const QCborValue& f : fields)
                a.append(f);
            return a;
        };
        const QByteArray good = payload(5, {bank(3, Banks, {51, "d", 63, "n"})});
        const std::pair<const char*, QByteArray> bad[] = {
            {"same identifier twice", payload(5, {bank(3), bank(3)})},
            {"identifiers descending", payload(5, {bank(3), bank(2)})},
            // An account at or past the next identifier would be handed out again.
            {"identifier at nextId", payload(3, {bank(3)})},
            {"identifier 0", payload(5, {bank(0)})},
            {"category 13", payload(5, {bank(3, 13)})},
            {"category 2^32 + 3", payload(5, {bank(3, (qint64(1) << 32) + 3)})},
            {"category -2^32 + 3", payload(5, {bank(3, -(qint64(1) << 32) + 3)})},
            {"field numbers descending", payload(5, {bank(3, Banks, {63, "n", 51, "d"})})},
            {"field number twice", payload(5, {bank(3, Banks, {51, "d", 51, "n"})})},
            {"field number past the last", payload(5, {bank(3, Banks, {51, "d", 64, "x"})})},
            {"a number without its text", payload(5, {bank(3, Banks, {51, "d", 63})})},
            {"a number as text", payload(5, {bank(3, Banks, {51, "d", 63, 7})})},
            {"trailing byte", good + QByteArray(1, '\0')},
        };
        VaultContents back;
        for (const auto& [what, bytes] : bad) {
            QVERIFY(decodePayload(good, back) && back.accounts.size() == 1);
            QVERIFY2(!decodePayload(bytes, back) && back.accounts.empty(), what); // nothing half-read stays
        }
        for (qsizetype n = 0; n < good.size(); ++n)
            QVERIFY(!decodePayload(good.left(n), back));

        // Every text is well-formed UTF-8, checked before any is read: four bytes in place of "@@@@".
        const QByteArray withText = payload(5, {bank(3, Banks, {51, "@@@@"})});
        const std::pair<const char*, bool> texts[] = {
            {"6162c3a9", true},  {"efbfbf61", true},  // U+FFFF is a character too
            {"f48fbfbf", true},  {"00616263", true},  // U+10FFFF, NUL
            {"61c08062", false}, {"61e09fbf", false}, // overlong forms
            {"f08fbfbf", false}, {"eda08061", false}, // overlong, a surrogate
            {"f4908080", false}, {"f8888080", false}, // past U+10FFFF
            {"6162e282", false}, {"61806263", false}, // cut short, a lone continuation
        };
        for (const auto& [hex, valid] : texts) {
            const QByteArray bytes = QByteArray::fromHex(hex);
            QVERIFY2(decodePayload(QByteArray(withText).replace("@@@@", bytes), back) == valid, hex);
            if (valid)
                QCOMPARE(fieldOf(back.accounts[0], 51).toString(), QString::fromUtf8(bytes));
        }
    }
};

QTEST_APPLESS_MAIN(TestPayload)
#include "tst_payload.moc"
