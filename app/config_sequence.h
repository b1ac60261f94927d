#pragma once
// Steps shared by the configuration sequences of the window.
#include <QByteArray>
#include <QString>

class TMainForm;

// Marks a configuration sequence as running for its lifetime and notes the
// state of "Read encoder", unchecking it so that polling stays quiet.
class ConfigSequence {
public:
    explicit ConfigSequence(TMainForm &form);
    ~ConfigSequence();
    ConfigSequence(const ConfigSequence &) = delete;
    ConfigSequence &operator=(const ConfigSequence &) = delete;

    // Gives "Read encoder" back the state noted at the start.
    void restoreReading();
    bool wasReading() const { return m_wasReading; }

private:
    TMainForm &m_form;
    bool m_wasReading;
    bool m_portWasOpen;
};

// Sends one configuration frame (no reply awaited). False when it did not reach
// the encoder; then `failureText` is shown, unless the transaction itself has
// just reported the pulled cable.
bool sendConfigFrame(TMainForm &form, const QByteArray &frame, const QString &failureText);
