// The command table and configuration frames, byte for byte.
#include <QtTest>

#include <stdexcept>

#include "link/palvo_konstante.h"

using namespace Palvo_konstante;

class PalvoKonstanteTest : public QObject {
    Q_OBJECT
private slots:
    void tableAsStored();
    void frames_data();
    void frames();
    void outsideTheTable_data();
    void outsideTheTable();
};

void PalvoKonstanteTest::tableAsStored()
{
    QByteArray stored;
    for (int i = FirstCommand; i <= LastCommand; ++i)
        stored += CommandChars(i);
    for (int row = 0; row <= 1; ++row)
        for (int i = FirstCommand; i <= LastCommand; ++i)
            stored += char(ReplyLengths(row, i));
    QCOMPARE(stored.toHex(' '), QByteArray("31 33 64 74 69 76 72 03 02 04 05 02 07 1c 05 04 06 07 02 07 1c"));
}

void PalvoKonstanteTest::frames_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("unlock") << UNLOCK << QByteArray("9e 27 4d b6");
    QTest::newRow("multiturn zero") << frameMultiturnZero() << QByteArray("9e 27 4d b6 4d 00 00 00 00");
    QTest::newRow("zero offset") << frameZeroOffsetTemplate() << QByteArray("9e 27 4d b6 5a 00 00 00 02");
    QTest::newRow("save") << frameSave() << QByteArray("9e 27 4d b6 63");
    QTest::newRow("factory reset") << frameFactoryReset() << QByteArray("9e 27 4d b6 72");
    QTest::newRow("self-calibration") << frameStartSelfCal() << QByteArray("9e 27 4d b6 41");
}

void PalvoKonstanteTest::frames()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, bytes);
    QCOMPARE(frame.toHex(' '), bytes);
}

void PalvoKonstanteTest::outsideTheTable_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("index");

    QTest::newRow("index 0") << 0 << 0;
    QTest::newRow("index 8") << 1 << 8;
    QTest::newRow("negative index") << 0 << -1;
    QTest::newRow("row 2") << 2 << 1;
    QTest::newRow("row -1") << -1 << 7;
}

void PalvoKonstanteTest::outsideTheTable()
{
    QFETCH(int, row);
    QFETCH(int, index);
    auto rangeError = [](auto call) {
        try {
            call();
        } catch (const std::out_of_range &e) {
            return QByteArray(e.what());
        }
        return QByteArray("no exception");
    };
    QCOMPARE(rangeError([&] { ReplyLengths(row, index); }), QByteArray("Range check error"));
    if (row >= 0 && row <= 1)
        QCOMPARE(rangeError([&] { CommandChars(index); }), QByteArray("Range check error"));
}

QTEST_MAIN(PalvoKonstanteTest)
#include "tst_palvo_konstante.moc"
