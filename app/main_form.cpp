#include "app/main_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "app/widgets.h"
#include "link/serial_channel.h"
#include "tools/terminating.h"
#include "update/software_update_check.h"

TMainForm *MainForm = nullptr;

TMainForm::TMainForm(const Platform &platform, QWidget *parent) : QWidget(parent), m_platform(platform)
{
    MainForm = this;
    buildLayout();
    connectHandlers();
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
    // Tearing the window down moves the focus and hides the controls, and their
    // signals (the spin box's editingFinished, for one) must not reach a window
    // that is already half gone.
    for (QObject *child : findChildren<QObject *>())
        child->disconnect(this);
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::connectHandlers()
{
    connect(TimerBeriEnkoder, &QTimer::timeout, this, &TMainForm::TimerBeriEnkoderTimer);
    connect(InitTimer, &QTimer::timeout, this, &TMainForm::InitTimerTimer);
    connect(tmrStartup, &QTimer::timeout, this, &TMainForm::tmrStartupTimer);
    connect(cbBeriEnkoder, &QCheckBox::toggled, this, &TMainForm::cbBeriEnkoderClick);
    // The box's own signal misses partly typed text, the editor's misses arrow
    // steps; running the handler twice for one change is harmless.
    connect(seDelay, &QSpinBox::textChanged, this, &TMainForm::seDelayChange);
    connect(seDelay->findChild<QLineEdit *>(), &QLineEdit::textChanged, this, &TMainForm::seDelayChange);
    // Leaving the box puts an out-of-limit text back to the nearest limit
    // without a change signal when that limit was its value before: without
    // this the timer would keep the typed interval that the box no longer shows.
    connect(seDelay, &QAbstractSpinBox::editingFinished, this, [this] {
        if (m_delayTyped)
            seDelayChange();
    });
    connect(btnMTzero, &QPushButton::clicked, this, &TMainForm::btnMTzeroClick);
    connect(btnSTzero, &QPushButton::clicked, this, &TMainForm::btnSTzeroClick);
    connect(btnResetFactory, &QPushButton::clicked, this, &TMainForm::btnResetFactoryClick);
    connect(btnStartSelfCal, &QPushButton::clicked, this, &TMainForm::btnStartSelfCalClick);
    PaintBoxKot->onPaint = [this](QPainter &canvas) { PaintBoxKotPaint(canvas); };
}

void TMainForm::FormCreate()
{
    StatusCallback = ShowUpdateStatus;
    ProgramName = QStringLiteral("Corvane_for_Palvo_Zivaz_Uvezud");
    ComID = INVALID_HANDLE_VALUE;
    Enkoder_CPR = 1;
    setWindowTitle(windowTitle() + QStringLiteral(" (Ver: ") + ProgramVersionStr + QStringLiteral(")"));
    InitTimer->start();
}

void TMainForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    TimerBeriEnkoder->stop();
    RxBuffer.clear();
    CloseComPort();
}

void TMainForm::CloseComPort()
{
    cbBeriEnkoder->setChecked(false);
    lblTempAsic_C->setText(QStringLiteral("- - - - -"));
    pnlAbsPosDeg->setText(QStringLiteral("not connected"));
    pnlAbsPosCnt->setText(QStringLiteral("- - - - -"));
    pnlAbsPosMT->setText(QStringLiteral("- - - - -"));
    lblAselfCalResult->setText(QStringLiteral("..."));
    lblEncoderInfo->setText(QStringLiteral("Encoder information..."));
    lblEncoderInfo2->setText(QString());
    if (ComID != INVALID_HANDLE_VALUE)
        channel().close();
    ComID = INVALID_HANDLE_VALUE;
    rgBaudrate->setEnabled(true);
}

void TMainForm::tmrStartupTimer()
{
    tmrStartup->stop();
    CheckForUpdate();
}

qint32 TMainForm::SendCommand(quintptr handle, const QByteArray &command, QByteArray &reply,
                              qint32 expectedLength)
{
    return ::SendCommand(channel(), *this, handle, command, reply, expectedLength);
}

void TMainForm::setStatusText(const QString &text)
{
    // The label is right-anchored: it grows to the left and keeps its right edge at 732.
    lblSWupdateCheckStatus->setText(text);
}

void TMainForm::closeEvent(QCloseEvent *e)
{
    // No confirmation: the waiting loops see the mark and return.
    Terminating::instance().set(true);
    e->accept();
}

void ShowUpdateStatus(const QString &text)
{
    if (MainForm)
        MainForm->setStatusText(text);
}
