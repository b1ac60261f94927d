#include "app/config_sequence.h"

#include <QCheckBox>

#include "app/main_form.h"
#include "link/serial_channel.h"
#include "tools/dialogs.h"
#include "tools/terminating.h"

ConfigSequence::ConfigSequence(TMainForm &form)
    : m_form(form), m_wasReading(form.cbBeriEnkoder->isChecked()),
      m_portWasOpen(form.ComID != INVALID_HANDLE_VALUE)
{
    m_form.m_sequenceRunning = true;
    m_form.cbBeriEnkoder->setChecked(false);
}

ConfigSequence::~ConfigSequence()
{
    m_form.m_sequenceRunning = false;
    // A write that failed inside the sequence closed the port. Polling hands a
    // lost port back to the search, but with "Read encoder" left off nothing
    // would, and the window would sit without an encoder for good.
    if (m_portWasOpen && m_form.ComID == INVALID_HANDLE_VALUE && !ApplicationTerminating() &&
        !m_form.InitTimer->isActive())
        m_form.InitTimer->start();
}

void ConfigSequence::restoreReading()
{
    m_form.cbBeriEnkoder->setChecked(m_wasReading);
}

bool sendConfigFrame(TMainForm &form, const QByteArray &frame, const QString &failureText)
{
    const bool portWasOpen = form.ComID != INVALID_HANDLE_VALUE;
    const qint32 result = form.SendCommand(form.ComID, frame, form.rxBufferRef(), 0);
    if (result == SC_OK)
        return true;
    // With the port open, -3 means the write failed and the transaction has
    // already shown "Cable disconnected!"; one box per pulled cable is enough.
    if (!(portWasOpen && result == SC_FAILED))
        dialogs().error(failureText);
    return false;
}
