#include "app/main_form.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <array>

#include "app/port_entry.h"
#include "app/port_list.h"
#include "app/widgets.h"
#include "link/palvo_konstante.h"
#include "link/replies.h"
#include "link/serial_channel.h"
#include "tools/terminating.h"

namespace {

// The rate comes from the item's index, not its caption; 1000000 is tried
// before 921600.
constexpr std::array<qint32, 7> BaudRates = {115200, 128000, 230400, 256000, 500000, 1000000, 921600};

constexpr int RunIntervalMs = 800;
constexpr int VersionCommandIndex = 6;
constexpr int MultiturnTestIndex = 1;
constexpr int IdentCommandIndex = 7;

// Serial and part numbers are 8-bit text; every byte stays one character.
QString byteText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

// Holds polling back while a run lasts, however the run ends.
class SearchGuard {
public:
    explicit SearchGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~SearchGuard() { m_flag = false; }
    SearchGuard(const SearchGuard &) = delete;
    SearchGuard &operator=(const SearchGuard &) = delete;

private:
    bool &m_flag;
};

}   // namespace

void TMainForm::InitTimerTimer()
{
    // A configuration sequence owns the port while it waits; a search inside it
    // would open a port under its later frames, and its end would uncheck the
    // "Read encoder" that the search had checked. The timer stays armed and
    // the search runs once the sequence is over.
    if (m_sequenceRunning)
        return;
    InitTimer->stop();
    // A window that is closing opens no more ports; a tick that arrives while
    // a run pumps messages must not start a second run on the same port.
    if (ApplicationTerminating() || m_searching)
        return;
    SearchGuard searching(m_searching);

    prebrana_serijska.clear();
    Enkoder_CPR = 16384;
    resolucija_bitov = 14;
    bool found = false;

    listCom->clear();
    listCom->repaint();
    listCom->addItems(ports().entries());

    for (int row = 0; row < listCom->count() && !found; ++row) {
        listCom->setCurrentRow(row);
        listCom->repaint();

        ComID = INVALID_HANDLE_VALUE;
        if (!channel().open(portNameOfEntry(listCom->item(row)->text())))
            continue;
        ComID = channel().handle();
        if (ComID == INVALID_HANDLE_VALUE) {
            channel().close();
            continue;
        }

        for (int i = 0; i < int(BaudRates.size()); ++i) {
            rgBaudrate->setItemIndex(i);
            rgBaudrate->repaint();
            // After a write failure the port is gone and the remaining rates fail at once.
            if (ComID != INVALID_HANDLE_VALUE)
                channel().setLine(BaudRates[i]);
            if (BeriVerzijo()) {
                found = true;
                break;
            }
            QCoreApplication::processEvents();
            if (ApplicationTerminating())
                return;
        }
        if (!found) {
            if (ComID != INVALID_HANDLE_VALUE)
                channel().close();
            ComID = INVALID_HANDLE_VALUE;
            listCom->setCurrentRow(-1);
            if (ApplicationTerminating())
                return;
        }
    }

    if (found) {
        // Each step of the identification may wait out a reply timeout: the
        // window gets its turn between them, as between two rates.
        QCoreApplication::processEvents();
        if (ApplicationTerminating())
            return;
        if (!PreveriMultiturn()) {
            if (ApplicationTerminating())
                return;
            // It answered "v" but not "1": keeping the port would leave the tool
            // with reading off and no further search. Let go and search again.
            if (ComID != INVALID_HANDLE_VALUE)
                channel().close();
            ComID = INVALID_HANDLE_VALUE;
            listCom->setCurrentRow(-1);
            InitTimer->setInterval(RunIntervalMs);
            InitTimer->start();
            return;
        }
        pnlAbsPosMT->setVisible(Multiturn != 0);
        btnMTzero->setVisible(Multiturn != 0);
        lblEncoderInfo->setText(byteText(
            QByteArrayLiteral("Serial no.: ") + prebrana_serijska + QByteArrayLiteral("\r\nMultiturn: ") +
            (Multiturn == 1 ? QByteArrayLiteral("True") : QByteArrayLiteral("False"))));
        lblEncoderInfo2->setText(QString());
        QCoreApplication::processEvents();
        if (ApplicationTerminating())
            return;
        if (PreberiIdent())
            lblEncoderInfo2->setText(byteText(QByteArrayLiteral("Part number: ") + prebran_ident +
                                              QByteArrayLiteral("\r\nFW version: ") + FWverzijaStr));
        // Polling is still held back here; it starts on the timer's first tick,
        // after this run has ended.
        cbBeriEnkoder->setChecked(true);
    }

    InitTimer->setInterval(RunIntervalMs);
    if (!found)
        InitTimer->start();
}

bool TMainForm::BeriVerzijo()
{
    prebrana_serijska.clear();
    const qint32 expected = Palvo_konstante::ReplyLengths(0, VersionCommandIndex);
    if (SendCommand(ComID, QByteArray(1, Palvo_konstante::CommandChars(VersionCommandIndex)), RxBuffer,
                    expected) != SC_OK)
        return false;
    if (!replies::serialReplyValid(RxBuffer))
        return false;
    prebrana_serijska = replies::serialNumber(RxBuffer);
    RxBuffer.clear();
    Singleturn_maska = 0;
    for (int i = 0; i < resolucija_bitov; ++i)
        Singleturn_maska = (Singleturn_maska << 1) | 1u;
    return true;
}

bool TMainForm::PreveriMultiturn()
{
    const QByteArray command(1, Palvo_konstante::CommandChars(MultiturnTestIndex));
    if (SendCommand(ComID, command, RxBuffer, Palvo_konstante::ReplyLengths(1, MultiturnTestIndex)) ==
        SC_OK) {
        Multiturn = 1;
        return true;
    }
    QCoreApplication::processEvents();
    if (ApplicationTerminating())
        return false;
    if (SendCommand(ComID, command, RxBuffer, Palvo_konstante::ReplyLengths(0, MultiturnTestIndex)) ==
        SC_OK) {
        Multiturn = 0;
        return true;
    }
    return false;
}

bool TMainForm::PreberiIdent()
{
    const QByteArray command(1, Palvo_konstante::CommandChars(IdentCommandIndex));
    if (SendCommand(ComID, command, RxBuffer, Palvo_konstante::ReplyLengths(Multiturn, IdentCommandIndex)) !=
        SC_OK)
        return false;
    const replies::Identification ident = replies::identification(RxBuffer);
    prebran_ident = ident.partNumber;
    FWverzijaStr = ident.firmware;
    return ident.productNameOk;
}
