#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <time.h>

#include "tools/orodja.h"
#include "tools/terminating.h"
#include "tools/tick_clock.h"

namespace {

// Real time, but the 32-bit counter starts just short of its wrap.
class WrappingClock : public TickClock {
public:
    explicit WrappingClock(quint32 msBeforeWrap) : m_start(quint32(0) - msBeforeWrap)
    {
        m_timer.start();
        setTickClock(this);
    }
    ~WrappingClock() override { setTickClock(nullptr); }
    quint32 tickCount() override { return m_start + quint32(m_timer.elapsed()); }
    void sleepMs(quint32 ms) override { QThread::msleep(ms); }

private:
    quint32 m_start;
    QElapsedTimer m_timer;
};

qint64 processCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}   // namespace

class OrodjaTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Terminating::instance().set(false); }

    void delayProcessesEventsUntilDeadline()
    {
        bool fired = false;
        QTimer::singleShot(20, this, [&] { fired = true; });
        QElapsedTimer t;
        t.start();
        DelayMs(200);
        QVERIFY(fired);
        QVERIFY2(t.elapsed() >= 190, qPrintable(QString::number(t.elapsed())));
    }

    void zeroDelayStillPumpsOnce()
    {
        bool ran = false;
        QMetaObject::invokeMethod(
            this, [&] { ran = true; }, Qt::QueuedConnection);
        DelayMs(0);
        QVERIFY(ran);
    }

    void returnsAtOnceWhenTerminating()
    {
        Terminating::instance().set(true);
        QElapsedTimer t;
        t.start();
        DelayMs(5000);
        QVERIFY2(t.elapsed() < 1000, qPrintable(QString::number(t.elapsed())));
    }

    // The window closing while a sequence waits: the wait ends at the mark.
    void returnsWhenTerminatingDuringTheWait()
    {
        QTimer::singleShot(50, this, [] { Terminating::instance().set(true); });
        QElapsedTimer t;
        t.start();
        DelayMs(5000);
        QVERIFY2(t.elapsed() < 2000, qPrintable(QString::number(t.elapsed())));
    }

    void waitsWithoutSpinning()
    {
        const qint64 cpuBefore = processCpuMs();
        QElapsedTimer t;
        t.start();
        DelayMs(500);
        const qint64 wall = t.elapsed();
        const qint64 cpu = processCpuMs() - cpuBefore;
        QVERIFY2(wall >= 490, qPrintable(QString::number(wall)));
        QVERIFY2(cpu < wall / 4, qPrintable(QStringLiteral("cpu %1 ms of %2 ms").arg(cpu).arg(wall)));
    }

    void endsAcrossTheCounterWrap()
    {
        WrappingClock clock(100);
        QElapsedTimer t;
        t.start();
        DelayMs(400);
        QVERIFY2(t.elapsed() >= 390, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    }

    void splitFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("delimiter");
        QTest::addColumn<QStringList>("fields");
        const QChar semi(';'), dot('.'), blank(' ');
        const QString long300(300, QLatin1Char('x'));

        QTest::newRow("empty text, one empty field") << "" << semi << QStringList{""};
        QTest::newRow("three fields") << "a;b;c" << semi << QStringList{"a", "b", "c"};
        QTest::newRow("empty middle field") << "a;;c" << semi << QStringList{"a", "", "c"};
        QTest::newRow("empty last field") << "a;b;" << semi << QStringList{"a", "b", ""};
        QTest::newRow("blank last field kept") << "a;b; " << semi << QStringList{"a", "b", " "};
        QTest::newRow("quotes kept, delimiter inside quotes")
            << "\"x\";\"y;z\"" << semi << QStringList{"\"x\"", "\"y;z\""};
        QTest::newRow("unclosed quote takes the rest") << "a \"b;c" << semi << QStringList{"a \"b;c"};
        QTest::newRow("blank delimiter drops empty inner fields")
            << "a  b " << blank << QStringList{"a", "b", ""};
        QTest::newRow("blank delimiter drops control-only fields")
            << " a \t b" << blank << QStringList{"a", "b"};
        QTest::newRow("blank last field kept at blank delimiter")
            << "a \t" << blank << QStringList{"a", "\t"};
        QTest::newRow("other delimiters keep blank fields") << "a; ;b" << semi << QStringList{"a", " ", "b"};
        QTest::newRow("four numbers") << "1.2.3.4" << dot << QStringList{"1", "2", "3", "4"};
        QTest::newRow("three numbers") << "1.2.3" << dot << QStringList{"1", "2", "3"};
        QTest::newRow("empty second number") << "1..2.3" << dot << QStringList{"1", "", "2", "3"};
        QTest::newRow("blanks stay at the ends") << " 1.2.3.4 " << dot << QStringList{" 1", "2", "3", "4 "};
        QTest::newRow("field cut at 255, next one whole")
            << long300 + ";next" << semi << QStringList{long300.left(255), "next"};
        QTest::newRow("255 characters exactly")
            << long300.left(255) << semi << QStringList{long300.left(255)};
        QTest::newRow("delimiter after the cut still splits")
            << long300 + ";" << semi << QStringList{long300.left(255), ""};
        QTest::newRow("Latin-1 kept, others replaced")
            << QStringLiteral("Zürich;€1") << semi << QStringList{QStringLiteral("Zürich"), "?1"};
    }

    void splitFields()
    {
        QFETCH(QString, text);
        QFETCH(QChar, delimiter);
        QFETCH(QStringList, fields);
        QStringList list{"left over"};
        SplitFields(text, delimiter, list);
        QCOMPARE(list, fields);
    }
};

QTEST_GUILESS_MAIN(OrodjaTest)
#include "tst_orodja.moc"
