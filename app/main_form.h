#pragma once
#include <QByteArray>
#include <QTimer>
#include <QWidget>

#include "app/widgets.h"
#include "link/send_command.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPainter;
class QProgressBar;
class QPushButton;
class QSpinBox;
class Panel;
class PaintBox;
class PortList;
class RadioGroup;
class SerialChannel;

// What the window reaches of the platform; main.cpp passes the real ones,
// tests pass pseudo-terminals and doubles.
struct Platform {
    SerialChannel *channel = nullptr;
    PortList *ports = nullptr;
};

class TMainForm final : public QWidget, public TransactionHost {
    Q_OBJECT
public:
    explicit TMainForm(const Platform &platform, QWidget *parent = nullptr);
    ~TMainForm() override;

    // Encoder state.
private:
    QByteArray RxBuffer;
    quint8 TrenutniUkazIdx = 0;
    quint8 BufDisp = 0;
    qint16 Temperatura = 0;

public:
    quintptr ComID = 0;
    QByteArray prebrana_serijska;
    QByteArray prebran_ident;
    QByteArray FWverzijaStr;
    quint8 resolucija_bitov = 0;
    qint32 Enkoder_CPR = 0;
    quint8 Multiturn = 0;
    quint32 Singleturn_maska = 0;
    qint64 MTST_value = 0;
    qint32 ST_value = 0;
    qint16 MT_value = 0;
    bool Encoder_Error = false;
    float kot = 0.0f;

    // Controls, named as on the window.
    QWidget *pnl1Top = nullptr;
    QWidget *pnl2Mid = nullptr;
    QGroupBox *GroupBox1 = nullptr;
    Label *lblEncoderInfo = nullptr;
    Label *lblEncoderInfo2 = nullptr;
    Panel *pnlComm = nullptr;
    QLabel *Image1 = nullptr;
    QListWidget *listCom = nullptr;
    QSpinBox *seDelay = nullptr;
    QCheckBox *cbBeriEnkoder = nullptr;
    Label *lblRxBuffer1 = nullptr;
    Label *lblRxBuffer2 = nullptr;
    RadioGroup *rgBaudrate = nullptr;
    Panel *pnlAbsPosMT = nullptr;
    Panel *pnlAbsPosCnt = nullptr;
    Panel *pnlAbsPosDeg = nullptr;
    PaintBox *PaintBoxKot = nullptr;
    Label *lblTempAsic_C = nullptr;
    QGroupBox *gbEncoderStatus = nullptr;
    Panel *pnlAError = nullptr;
    Panel *pnlAWarning = nullptr;
    Panel *pnlAmplitudaHi = nullptr;
    Panel *pnlTemperaturaAsic = nullptr;
    Panel *pnlAmplitudaWarn = nullptr;
    Panel *pnlSpeed = nullptr;
    Panel *pnlMultiturnErr = nullptr;
    Panel *pnlOAngleAccel = nullptr;
    Panel *pnlOSafety = nullptr;
    QPushButton *btnMTzero = nullptr;
    QPushButton *btnSTzero = nullptr;
    QPushButton *btnResetFactory = nullptr;
    QPushButton *btnStartSelfCal = nullptr;
    QProgressBar *pbSelfCalProgress = nullptr;
    QGroupBox *GroupBox4 = nullptr;
    Panel *pnlAselfCalFinished = nullptr;
    Panel *pnlAselfCalTimeout = nullptr;
    Panel *pnlAselfCalOutOfRange = nullptr;
    Panel *pnlASelfCalEffective = nullptr;
    Panel *pnlAselfCalSucessful = nullptr;
    Label *lblAselfCalResult = nullptr;
    Label *lblSWupdateCheckStatus = nullptr;

    QTimer *TimerBeriEnkoder = nullptr;
    QTimer *InitTimer = nullptr;
    QTimer *tmrStartup = nullptr;

    // Shell (main_form.cpp).
    void FormCreate();
    void FormDestroy();
    void CloseComPort() override;
    void tmrStartupTimer();
    void setStatusText(const QString &text);   // keeps the right edge at 732

    // Link.
    qint32 SendCommand(quintptr handle, const QByteArray &command, QByteArray &reply, qint32 expectedLength);

    // Connection management (connection.cpp).
    void InitTimerTimer();
    bool BeriVerzijo();
    bool PreveriMultiturn();
    bool PreberiIdent();

    // Position monitoring (monitoring.cpp).
    void cbBeriEnkoderClick();
    void seDelayChange();
    void TimerBeriEnkoderTimer();
    void BeriPozicijo();
    void ProcessReply(quint8 index);
    void ShowDetailedStatus(quint8 status);
    void PaintBoxKotPaint(QPainter &canvas);

    // Encoder configuration (configuration.cpp).
    void btnMTzeroClick();
    void btnSTzeroClick();
    void btnResetFactoryClick();
    void btnStartSelfCalClick();

    // Read access for tests and the trace of private fields.
    const QByteArray &rxBuffer() const { return RxBuffer; }
    QByteArray &rxBufferRef() { return RxBuffer; }
    quint8 commandIndex() const { return TrenutniUkazIdx; }
    void setCommandIndex(quint8 i) { TrenutniUkazIdx = i; }
    quint8 bufDisp() const { return BufDisp; }
    qint16 temperatura() const { return Temperatura; }

    SerialChannel &channel() const { return *m_platform.channel; }
    PortList &ports() const { return *m_platform.ports; }

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void buildLayout();   // layout.cpp
    void connectHandlers();

    Platform m_platform;
    bool m_destroyed = false;
    bool m_delayTyped = false;   // the spin box has changed since start

public:
    // Run guards: a discovery run holds polling and configuration clicks back;
    // a configuration sequence holds back the other configuration buttons and
    // the search.
    bool m_searching = false;
    bool m_sequenceRunning = false;
    // A configuration click that arrives while a sequence or a port search
    // pumps messages would send its frames into the middle of that one.
    bool configurationBusy() const { return m_sequenceRunning || m_searching; }
};

// The one window; routines outside the class reach it through this.
extern TMainForm *MainForm;

void ShowUpdateStatus(const QString &text);
