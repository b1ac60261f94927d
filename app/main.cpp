#include <QFileInfo>
#include <QIcon>
#include <cstdio>

#include "app/application.h"
#include "app/main_form.h"
#include "app/port_list.h"
#include "link/serial_channel.h"
#include "update/software_update_check.h"

static const char *const usage =
    "Usage: corvane [--port PATH]...\n"
    "Service tool for Palvo absolute rotary encoders with a UART interface.\n"
    "It finds the encoder on the machine's serial ports by itself.\n\n"
    "  --port PATH   also search this serial device (a pseudo-terminal, a bridge);\n"
    "                may be given more than once\n"
    "  --help        show this text\n"
    "  --version     show the program's version\n";

int main(int argc, char **argv)
{
    SoftwareUpdateCheckStartup();

    // Read before the application object exists, so that --help, --version and
    // a refused --port work without a display.
    QStringList extraPorts;
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (a == QLatin1String("--version")) {
            std::printf("corvane %s\n", qPrintable(ProgramVersionStr));
            return 0;
        }
        if (a == QLatin1String("--port")) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                std::fprintf(stderr, "corvane: --port needs the path of a serial device\n");
                return 2;
            }
            // Made absolute, since a bare name would be looked for under /dev.
            const QString given = args[++i];
            const QString path = QFileInfo(given).absoluteFilePath();
            // The text before the first blank names the port, so a blank cannot stand in it.
            if (path.contains(QLatin1Char(' '))) {
                std::fprintf(stderr, "corvane: a port path must not contain a blank: %s\n", qPrintable(path));
                return 2;
            }
            if (!QFileInfo::exists(path)) {
                std::fprintf(stderr, "corvane: no such device: %s\n", qPrintable(given));
                return 2;
            }
            extraPorts << path;
            continue;
        }
        std::fprintf(stderr, "corvane: unknown option: %s\n%s", qPrintable(a), usage);
        return 2;
    }

    CorvaneApplication app(argc, argv);
    SetApplicationTitle(CorvaneTitle);
    // Lets the desktop match the window to corvane.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    Q_INIT_RESOURCE(corvane);
    QIcon icon;
    icon.addFile(QStringLiteral(":/corvane/icon.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/corvane/icon16.png"), QSize(16, 16));
    QApplication::setWindowIcon(icon);

    auto channel = createSerialPortChannel();
    auto ports = createSystemPortList(extraPorts);
    Platform platform;
    platform.channel = channel.get();
    platform.ports = ports.get();

    int rc = 0;
    {
        TMainForm form(platform);
        form.show();
        rc = app.exec();
    }
    return rc;
}
