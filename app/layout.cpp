// Placeholder: every control exists with its name; the full table comes next.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "app/main_form.h"
#include "app/widgets.h"

template <typename T>
static T *make(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

void TMainForm::buildLayout()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Corvane for Palvo Asnychronous Serial (UART)"));
    setFixedSize(745, 417);
    pnl1Top = make<QWidget>(this, "pnl1Top");
    pnl2Mid = make<QWidget>(this, "pnl2Mid");
    GroupBox1 = make<QGroupBox>(pnl1Top, "GroupBox1");
    lblEncoderInfo = make<QLabel>(GroupBox1, "lblEncoderInfo");
    lblEncoderInfo2 = make<QLabel>(GroupBox1, "lblEncoderInfo2");
    pnlComm = make<Panel>(pnl1Top, "pnlComm");
    Image1 = make<QLabel>(pnl1Top, "Image1");
    listCom = make<QListWidget>(this, "listCom");
    seDelay = make<QSpinBox>(this, "seDelay");
    cbBeriEnkoder = make<QCheckBox>(this, "cbBeriEnkoder");
    lblRxBuffer1 = make<QLabel>(this, "lblRxBuffer1");
    lblRxBuffer2 = make<QLabel>(this, "lblRxBuffer2");
    rgBaudrate = make<RadioGroup>(this, "rgBaudrate");
    rgBaudrate->setItems({"A - 115200", "B - 128000", "C - 230400", "D - 256000", "E - 500000",
                          "F - 1000000", "G - 921600"});
    rgBaudrate->setItemIndex(0);
    pnlAbsPosMT = make<Panel>(this, "pnlAbsPosMT");
    pnlAbsPosCnt = make<Panel>(this, "pnlAbsPosCnt");
    pnlAbsPosDeg = make<Panel>(this, "pnlAbsPosDeg");
    PaintBoxKot = make<PaintBox>(this, "PaintBoxKot");
    lblTempAsic_C = make<QLabel>(this, "lblTempAsic_C");
    gbEncoderStatus = make<QGroupBox>(this, "gbEncoderStatus");
    pnlAError = make<Panel>(gbEncoderStatus, "pnlAError");
    pnlAWarning = make<Panel>(gbEncoderStatus, "pnlAWarning");
    pnlAmplitudaHi = make<Panel>(gbEncoderStatus, "pnlAmplitudaHi");
    pnlTemperaturaAsic = make<Panel>(gbEncoderStatus, "pnlTemperaturaAsic");
    pnlAmplitudaWarn = make<Panel>(gbEncoderStatus, "pnlAmplitudaWarn");
    pnlSpeed = make<Panel>(gbEncoderStatus, "pnlSpeed");
    pnlMultiturnErr = make<Panel>(gbEncoderStatus, "pnlMultiturnErr");
    pnlOAngleAccel = make<Panel>(gbEncoderStatus, "pnlOAngleAccel");
    pnlOSafety = make<Panel>(gbEncoderStatus, "pnlOSafety");
    btnMTzero = make<QPushButton>(this, "btnMTzero");
    btnSTzero = make<QPushButton>(this, "btnSTzero");
    btnResetFactory = make<QPushButton>(this, "btnResetFactory");
    btnStartSelfCal = make<QPushButton>(this, "btnStartSelfCal");
    pbSelfCalProgress = make<QProgressBar>(this, "pbSelfCalProgress");
    GroupBox4 = make<QGroupBox>(this, "GroupBox4");
    pnlAselfCalFinished = make<Panel>(GroupBox4, "pnlAselfCalFinished");
    pnlAselfCalTimeout = make<Panel>(GroupBox4, "pnlAselfCalTimeout");
    pnlAselfCalOutOfRange = make<Panel>(GroupBox4, "pnlAselfCalOutOfRange");
    pnlASelfCalEffective = make<Panel>(GroupBox4, "pnlASelfCalEffective");
    pnlAselfCalSucessful = make<Panel>(GroupBox4, "pnlAselfCalSucessful");
    lblAselfCalResult = make<QLabel>(GroupBox4, "lblAselfCalResult");
    lblSWupdateCheckStatus = make<QLabel>(this, "lblSWupdateCheckStatus");

    TimerBeriEnkoder = make<QTimer>(this, "TimerBeriEnkoder");
    TimerBeriEnkoder->setInterval(50);
    InitTimer = make<QTimer>(this, "InitTimer");
    InitTimer->setInterval(200);
    tmrStartup = make<QTimer>(this, "tmrStartup");
    tmrStartup->setInterval(10000);
    tmrStartup->start();
}
