#include <QtTest>

#include "app/main_form.h"
#include "app/port_list.h"
#include "link/serial_channel.h"

class SmokeTest : public QObject {
    Q_OBJECT
private slots:
    void windowBuilds()
    {
        auto channel = createSerialPortChannel();
        auto ports = createSystemPortList({});
        TMainForm form(Platform{channel.get(), ports.get()});
        QCOMPARE(form.objectName(), QStringLiteral("MainForm"));
    }
};

QTEST_MAIN(SmokeTest)
#include "tst_smoke.moc"
