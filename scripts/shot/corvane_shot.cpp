// corvane-shot OUT.png [--port PATH] [--wait-ms N]
// Builds the main window on a simulated encoder (in-process, or the one
// serving PATH), lets it find the encoder and poll it for a while, and writes
// the window to OUT.png. No update check runs and no box is ever shown.
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/application.h"
#include "app/main_form.h"
#include "app/port_list.h"
#include "link/serial_channel.h"
#include "sim/palvo_sim.h"
#include "tools/dialogs.h"
#include "tools/orodja.h"
#include "update/software_update_check.h"

namespace {

class SilentDialogs final : public Dialogs {
public:
    void warning(const QString &text) override { note("warning", text); }
    void error(const QString &text) override { note("error", text); }
    void plain(const QString &text) override { note("box", text); }
    int askWithButtons(const QString &, const QString &title, const QString &, Icon,
                       const QStringList &) override
    {
        note("ask", title);
        return 2;
    }

private:
    static void note(const char *kind, const QString &text)
    {
        std::fprintf(stderr, "corvane-shot: %s: %s\n", kind, qPrintable(text));
    }
};

int usage()
{
    std::fputs("Usage: corvane-shot OUT.png [--port PATH] [--wait-ms N]\n"
               "Renders the Corvane window, polling a simulated encoder, to OUT.png.\n"
               "Without --port an encoder is simulated in-process.\n",
               stderr);
    return 2;
}

}   // namespace

int main(int argc, char **argv)
{
    CorvaneApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);   // keeps the update preference away from the user's

    QString out, port;
    int waitMs = 3000;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--port") && i + 1 < args.size())
            port = args[++i];
        else if (args[i] == QLatin1String("--wait-ms") && i + 1 < args.size())
            waitMs = args[++i].toInt();
        else if (out.isEmpty() && !args[i].startsWith(QLatin1Char('-')))
            out = args[i];
        else
            return usage();
    }
    if (out.isEmpty())
        return usage();

    SoftwareUpdateCheckStartup();
    // The caption shows the tool's version, not this helper's.
    const QString tool = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("corvane"));
    if (QFileInfo::exists(tool))
        ReadProgramVersionFrom(tool);
    SetApplicationTitle(CorvaneTitle);

    SilentDialogs silent;
    setDialogs(&silent);

    QTemporaryDir dir;
    std::unique_ptr<palvo::Simulator> sim;
    if (port.isEmpty()) {
        sim = std::make_unique<palvo::Simulator>();
        port = dir.filePath(QStringLiteral("palvo0"));
        if (!sim->start(port.toStdString())) {
            std::fputs("corvane-shot: cannot start the simulated encoder\n", stderr);
            return 1;
        }
        sim->setPosition(5461);
        sim->setTurns(3);
        sim->setTemperature(312);
        sim->setSpeed(2000);
    }

    auto channel = createSerialPortChannel();
    auto ports = createSystemPortList({QFileInfo(port).absoluteFilePath()});
    int rc = 0;
    {
        TMainForm form(Platform{channel.get(), ports.get()});
        form.tmrStartup->stop();
        form.show();

        // Found and polled, then a little longer so the lamps and the trace fill.
        const QDeadlineTimer deadline(15000);
        while (!form.cbBeriEnkoder->isChecked() && !deadline.hasExpired())
            DelayMs(50);
        if (!form.cbBeriEnkoder->isChecked())
            std::fputs("corvane-shot: no encoder answered; the window shows the search\n", stderr);
        DelayMs(quint32(qMax(0, waitMs)));

        if (!form.grab().save(out)) {
            std::fprintf(stderr, "corvane-shot: cannot write %s\n", qPrintable(out));
            rc = 1;
        } else {
            std::printf("%s\n", qPrintable(QFileInfo(out).absoluteFilePath()));
        }
        form.close();
    }
    setDialogs(nullptr);
    if (sim)
        sim->stop();
    return rc;
}
