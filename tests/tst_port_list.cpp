// The port list: the machine's serial devices from a sysfs tree, and the
// entry format that the search relies on.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "app/port_entry.h"
#include "app/port_list.h"
#include "app/port_list_linux.h"

namespace {

// A sysfs root with class/tty entries whose device links lead into devices/
// and whose drivers lead into bus/.
class FakeSysfs {
public:
    bool ok() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }

    // A device folder, and its driver link when `driver` is "bus/NAME/drivers/DRV".
    void device(const QString &path, const QString &driver = {})
    {
        const QString dir = root() + "/devices/" + path;
        QDir().mkpath(dir);
        if (!driver.isEmpty()) {
            QDir().mkpath(root() + '/' + driver);
            QFile::link(root() + '/' + driver, dir + "/driver");
        }
    }
    // A tty class entry; `devicePath` empty for a tty with no hardware.
    void tty(const QString &name, const QString &devicePath, const QString &type = {})
    {
        const QString dir = root() + "/class/tty/" + name;
        QDir().mkpath(dir);
        if (!devicePath.isEmpty())
            QFile::link(root() + "/devices/" + devicePath, dir + "/device");
        if (!type.isEmpty()) {
            QFile f(dir + "/type");
            f.open(QIODevice::WriteOnly);
            f.write(type.toLatin1() + '\n');
        }
    }

private:
    QTemporaryDir m_dir;
};

}   // namespace

class PortListTest : public QObject {
    Q_OBJECT
private slots:
    void sysfsEnumeration();
    void emptyOrMissingTree();
    void systemListEndsWithCommandLinePorts();
    void deviceTag_data();
    void deviceTag();
    void portNameOfEntry_data();
    void portNameOfEntry();
};

void PortListTest::sysfsEnumeration()
{
    FakeSysfs fs;
    QVERIFY(fs.ok());
    // USB adapters: the tty's device is the usb-serial port or the ACM interface.
    fs.device("pci0/usb1/1-1/1-1:1.0/ttyUSB0", "bus/usb-serial/drivers/ftdi_sio");
    fs.device("pci0/usb1/1-2/1-2:1.0/ttyUSB2", "bus/usb-serial/drivers/cp210x");
    fs.device("pci0/usb1/1-3/1-3:1.0/ttyUSB10", "bus/usb-serial/drivers/usb_serial_simple");
    fs.device("pci0/usb1/1-4/1-4:1.0", "bus/usb/drivers/cdc_acm");
    fs.tty("ttyUSB10", "pci0/usb1/1-3/1-3:1.0/ttyUSB10");
    fs.tty("ttyUSB0", "pci0/usb1/1-1/1-1:1.0/ttyUSB0");
    fs.tty("ttyUSB2", "pci0/usb1/1-2/1-2:1.0/ttyUSB2");
    fs.tty("ttyACM0", "pci0/usb1/1-4/1-4:1.0");
    // An on-board UART behind the serial-base port and controller devices.
    fs.device("pnp0/00:01", "bus/pnp/drivers/serial");
    fs.device("pnp0/00:01/00:01:0", "bus/serial-base/drivers/ctrl");
    fs.device("pnp0/00:01/00:01:0/00:01:0.0", "bus/serial-base/drivers/port");
    fs.tty("ttyS0", "pnp0/00:01/00:01:0/00:01:0.0", "4");
    // Legacy 8250 slots with no UART behind them read type 0.
    fs.device("platform/serial8250", "bus/platform/drivers/serial8250");
    fs.device("platform/serial8250/serial8250:0", "bus/serial-base/drivers/ctrl");
    fs.device("platform/serial8250/serial8250:0/serial8250:0.1", "bus/serial-base/drivers/port");
    fs.tty("ttyS1", "platform/serial8250/serial8250:0/serial8250:0.1", "0");
    // An ARM board's UART and an Exar USB adapter.
    fs.device("platform/fe201000.serial", "bus/amba/drivers/uart-pl011");
    fs.tty("ttyAMA0", "platform/fe201000.serial");
    fs.device("pci0/usb1/1-5/1-5:1.0", "bus/usb/drivers/cdc_xr_usb_serial");
    fs.tty("ttyXRUSB0", "pci0/usb1/1-5/1-5:1.0");
    // Virtual terminals and a stale entry without a device.
    fs.tty("tty0", {});
    fs.tty("console", {});
    fs.tty("ttyUSB7", {});
    fs.device("virtual/misc/ptmx");
    fs.tty("ptmx", "virtual/misc/ptmx");

    const QStringList expected = {
        "ttyUSB0  ftdi_sio", "ttyUSB2  cp210x",   "ttyUSB10  usb_serial",
        "ttyACM0  cdc_acm",  "ttyXRUSB0  cdc_xr_usb", "ttyS0  serial",
        "ttyAMA0  uart-pl011",
    };
    QCOMPARE(linuxSerialPortEntries(fs.root()), expected);
    // Same tree, same list: the order does not depend on the directory's.
    QCOMPARE(linuxSerialPortEntries(fs.root()), expected);
}

void PortListTest::emptyOrMissingTree()
{
    FakeSysfs fs;
    QVERIFY(fs.ok());
    QCOMPARE(linuxSerialPortEntries(fs.root()), QStringList());
    QCOMPARE(linuxSerialPortEntries(fs.root() + "/nowhere"), QStringList());
}

void PortListTest::systemListEndsWithCommandLinePorts()
{
    const QStringList extra = {"/tmp/pty-a", "/dev/pts/7"};
    const QStringList entries = createSystemPortList(extra)->entries();
    QVERIFY(entries.size() >= 2);
    QCOMPARE(entries.mid(entries.size() - 2), QStringList({"/tmp/pty-a  cmdline", "/dev/pts/7  cmdline"}));
    static const QRegularExpression format("^\\S+  \\S{1,10}$");
    for (const QString &e : entries)
        QVERIFY2(format.match(e).hasMatch(), qPrintable(e));
}

void PortListTest::deviceTag_data()
{
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("tag");
    QTest::newRow("device path") << "\\Device\\Serial0"
                                 << "Serial0";
    QTest::newRow("cut to ten characters") << "\\Device\\ProlificSerial0"
                                           << "ProlificSe";
    QTest::newRow("backslash at the first character only") << "\\VCP0"
                                                           << "\\VCP0";
    QTest::newRow("no backslash") << "SiliconLabsCP2102"
                                  << "SiliconLab";
    QTest::newRow("backslash inside the name") << "Bus\\VCP0"
                                               << "VCP0";
    QTest::newRow("empty") << ""
                           << "";
}

void PortListTest::deviceTag()
{
    QFETCH(QString, valueName);
    QFETCH(QString, tag);
    QCOMPARE(deviceTagFromValueName(valueName), tag);
}

void PortListTest::portNameOfEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("port");
    QTest::newRow("number and tag") << "1  Serial0"
                                    << "1";
    QTest::newRow("path and tag") << "/tmp/x/encoder  cmdline"
                                  << "/tmp/x/encoder";
    QTest::newRow("no blank: the whole row") << "ttyUSB3"
                                             << "ttyUSB3";
    QTest::newRow("empty row") << ""
                               << "";
}

void PortListTest::portNameOfEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, port);
    QCOMPARE(::portNameOfEntry(entry), port);
}

QTEST_GUILESS_MAIN(PortListTest)
#include "tst_port_list.moc"
