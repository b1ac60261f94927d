#pragma once
#include <QObject>

// The application's terminating mark: set when the main window closes, so that
// every loop that pumps messages returns early.
class Terminating : public QObject {
    Q_OBJECT
public:
    static Terminating &instance();
    bool isSet() const { return m_set; }
    void set(bool on);
signals:
    void started();   // emitted when the mark is set, to wake waiting loops
private:
    bool m_set = false;
};

inline bool ApplicationTerminating()
{
    return Terminating::instance().isSet();
}
