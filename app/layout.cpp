// The window's controls, built from one table.
#include <QCheckBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <stdexcept>

#include "app/colors.h"
#include "app/main_form.h"
#include "app/widgets.h"

namespace {

enum class Kind {
    Panel,
    Label,
    StaticText,
    GroupBox,
    Image,
    ListBox,
    SpinBox,
    CheckBox,
    RadioGroup,
    PaintBox,
    Button,
    ProgressBar
};
enum class Fill { Parent, Face, White, Silver, CommDark, Stripe };

struct Font {
    const char *face = nullptr;   // nullptr: the parent's font
    int pixels = 0;
    bool bold = false;
};

struct Control {
    const char *name;
    Kind kind;
    const char *parent;   // nullptr: the window
    int x, y, w, h;
    const char *caption;
    Font font;
    Fill fill;
    bool bevel;   // lowered bevel
    bool visible;
    bool enabled;
    const char *hint;
};

constexpr Font windowFont{"MS Sans Serif", 11, false};
constexpr Font infoFont{"Tahoma", 13, false};
constexpr Font positionFont{"Arial", 32, true};
constexpr Font lampFont{"Tahoma", 11, false};
constexpr Font topLampFont{"Tahoma", 12, true};
constexpr Font inherit{};

// Creation order is stacking order: later controls lie above earlier ones.
// clang-format off
constexpr Control controls[] = {
    {"pnl1Top", Kind::Panel, nullptr, 0, 0, 745, 81, "", inherit, Fill::White, false, true, true, nullptr},
    {"pnl2Mid", Kind::Panel, nullptr, 0, 81, 745, 8, "", inherit, Fill::Stripe, false, true, true, nullptr},
    {"GroupBox1", Kind::GroupBox, "pnl1Top", 7, 7, 522, 59, " Encoder info ", inherit, Fill::Parent, false, true, true, nullptr},
    {"lblEncoderInfo", Kind::Label, "GroupBox1", 19, 16, 115, 16, "Encoder information", infoFont, Fill::Parent, false, true, true, nullptr},
    {"lblEncoderInfo2", Kind::Label, "GroupBox1", 211, 16, 12, 16, "...", infoFont, Fill::Parent, false, true, true, nullptr},
    {"pnlComm", Kind::Panel, "pnl1Top", 120, 5, 12, 12, "", inherit, Fill::CommDark, true, true, true, nullptr},
    {"Image1", Kind::Image, "pnl1Top", 574, 23, 126, 31, "", inherit, Fill::Parent, false, true, true, "Double click to visit corvane.example"},

    {"listCom", Kind::ListBox, nullptr, 8, 102, 94, 106, "1\n2\n3", inherit, Fill::Parent, false, true, false, nullptr},
    {"seDelay", Kind::SpinBox, nullptr, 8, 214, 94, 22, "30", inherit, Fill::Parent, false, true, true, "Delay between readings (ms)"},
    {"cbBeriEnkoder", Kind::CheckBox, nullptr, 8, 265, 124, 17, "Read encoder", {"MS Sans Serif", 16, false}, Fill::Parent, false, true, true, nullptr},
    {"lblRxBuffer1", Kind::Label, nullptr, 8, 288, 57, 13, "lblRxBuffer1", inherit, Fill::Parent, false, true, true, nullptr},
    {"lblRxBuffer2", Kind::Label, nullptr, 8, 288, 57, 13, "lblRxBuffer2", inherit, Fill::Parent, false, false, true, nullptr},
    {"rgBaudrate", Kind::RadioGroup, nullptr, 108, 96, 89, 145, "Baudrate", inherit, Fill::Parent, false, true, false, nullptr},

    {"pnlAbsPosMT", Kind::Panel, nullptr, 203, 99, 272, 35, "0", positionFont, Fill::White, true, false, true, "Multiturn counter value"},
    {"pnlAbsPosCnt", Kind::Panel, nullptr, 203, 136, 272, 35, "-  -  -  -  -", positionFont, Fill::White, true, true, true, "Singleturn position (counts)"},
    {"pnlAbsPosDeg", Kind::Panel, nullptr, 203, 173, 272, 35, "not connected", positionFont, Fill::White, true, true, true, "Singleturn position (degrees)"},
    {"PaintBoxKot", Kind::PaintBox, nullptr, 203, 221, 100, 100, "", inherit, Fill::Parent, false, true, true, nullptr},
    {"lblTempAsic_C", Kind::Label, nullptr, 186, 361, 69, 23, "TempAsic", {"Arial Narrow", 19, false}, Fill::Face, false, true, true, nullptr},

    {"gbEncoderStatus", Kind::GroupBox, nullptr, 321, 214, 166, 110, " Encoder Status ", inherit, Fill::Parent, false, true, true, nullptr},
    {"pnlAError", Kind::Panel, "gbEncoderStatus", 3, 16, 79, 17, "Error", topLampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlAWarning", Kind::Panel, "gbEncoderStatus", 83, 16, 79, 17, "Warning", topLampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlAmplitudaHi", Kind::Panel, "gbEncoderStatus", 3, 34, 79, 17, "Signal High", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlTemperaturaAsic", Kind::Panel, "gbEncoderStatus", 83, 34, 79, 17, "Temerature", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlAmplitudaWarn", Kind::Panel, "gbEncoderStatus", 3, 52, 79, 17, "Signal Low", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlSpeed", Kind::Panel, "gbEncoderStatus", 83, 52, 79, 17, "Speed", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlMultiturnErr", Kind::Panel, "gbEncoderStatus", 3, 70, 79, 17, "Multiturn Err", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlOAngleAccel", Kind::Panel, "gbEncoderStatus", 83, 70, 79, 17, "Acceleration", lampFont, Fill::Silver, true, true, true, "position has changed for > 20° in 20 µsec"},
    {"pnlOSafety", Kind::Panel, "gbEncoderStatus", 83, 88, 79, 17, "Safety comp.", lampFont, Fill::Silver, true, true, true, "Redundacy deviation > 20°"},

    {"btnMTzero", Kind::Button, nullptr, 494, 96, 87, 33, "Multiturn 0", inherit, Fill::Parent, false, true, true, nullptr},
    {"btnSTzero", Kind::Button, nullptr, 493, 137, 88, 33, "Set zero here", inherit, Fill::Parent, false, true, true, nullptr},
    {"btnResetFactory", Kind::Button, nullptr, 494, 179, 88, 35, "Reset to Factory", inherit, Fill::Parent, false, true, true, nullptr},
    {"btnStartSelfCal", Kind::Button, nullptr, 648, 179, 85, 35, "Start Self-Cal", inherit, Fill::Parent, false, true, true, nullptr},
    {"pbSelfCalProgress", Kind::ProgressBar, nullptr, 493, 221, 239, 17, "", inherit, Fill::Parent, false, true, true, nullptr},
    {"GroupBox4", Kind::GroupBox, nullptr, 494, 244, 239, 156, " Self-calibration status  ", inherit, Fill::Parent, false, true, true, nullptr},
    {"pnlAselfCalFinished", Kind::Panel, "GroupBox4", 19, 25, 201, 17, "Procedure finished", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlAselfCalTimeout", Kind::Panel, "GroupBox4", 19, 44, 201, 17, "Timeout expired", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlAselfCalOutOfRange", Kind::Panel, "GroupBox4", 19, 63, 201, 17, "Calibration out of range", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlASelfCalEffective", Kind::Panel, "GroupBox4", 19, 82, 201, 17, "Calibration is effective", lampFont, Fill::Silver, true, true, true, nullptr},
    {"pnlAselfCalSucessful", Kind::Panel, "GroupBox4", 19, 101, 201, 17, "Calibration successful", lampFont, Fill::Silver, true, true, true, nullptr},
    // Reaches 5 px below its group box, which cuts it off.
    {"lblAselfCalResult", Kind::StaticText, "GroupBox4", 19, 117, 198, 44, "...", inherit, Fill::Parent, false, true, true, nullptr},

    {"lblSWupdateCheckStatus", Kind::Label, nullptr, 726, 401, 6, 11, "...", {"Small Fonts", 9, false}, Fill::Parent, false, true, true, nullptr},
};
// clang-format on

constexpr const char *tabOrder[] = {"rgBaudrate", "listCom",   "cbBeriEnkoder",   "btnMTzero",
                                    "seDelay",    "btnSTzero", "btnResetFactory", "btnStartSelfCal"};

// The faces of the design are Windows fonts; elsewhere metric-compatible or
// close faces stand in, at the same pixel sizes.
void insertFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Arial Narrow"), {QStringLiteral("Liberation Sans Narrow"),
                                                                QStringLiteral("DejaVu Sans Condensed")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("Small Fonts"), {QStringLiteral("DejaVu Sans Condensed"),
                                                               QStringLiteral("Liberation Sans Narrow")});
}

QFont makeFont(const Font &f)
{
    QFont font(QString::fromLatin1(f.face));
    font.setPixelSize(f.pixels);
    font.setBold(f.bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QColor fillColor(Fill fill)
{
    switch (fill) {
    case Fill::Face:
        return clrFace();
    case Fill::White:
        return clrWhite;
    case Fill::Silver:
        return clrSilver;
    case Fill::CommDark:
        return clrCommDark;
    case Fill::Stripe:
        return clrStripe;
    case Fill::Parent:
        break;
    }
    return {};
}

QWidget *makeControl(const Control &c, QWidget *parent)
{
    const QString caption = QString::fromUtf8(c.caption);
    switch (c.kind) {
    case Kind::Panel: {
        auto *p = new Panel(parent);
        p->setText(caption);
        p->setColor(fillColor(c.fill));
        p->setBevel(c.bevel);
        return p;
    }
    case Kind::Label:
    case Kind::StaticText: {
        auto *l = new Label(parent);
        l->setAutoSize(false);   // starts at its design size
        l->setText(caption);
        if (c.kind == Kind::StaticText) {
            l->setWordWrap(true);
        } else {
            l->setAutoSize(true);
        }
        if (c.fill != Fill::Parent) {
            QPalette pal = l->palette();
            pal.setColor(QPalette::Window, fillColor(c.fill));
            l->setPalette(pal);
            l->setAutoFillBackground(true);
        }
        return l;
    }
    case Kind::GroupBox:
        return new QGroupBox(caption, parent);
    case Kind::Image: {
        auto *l = new QLabel(parent);
        l->setPixmap(QPixmap(QStringLiteral(":/corvane/logo.png")));
        l->setCursor(Qt::PointingHandCursor);
        return l;
    }
    case Kind::ListBox: {
        auto *l = new QListWidget(parent);
        l->setItemDelegate(new FixedRowDelegate(13, l));
        l->addItems(caption.split(QLatin1Char('\n')));
        return l;
    }
    case Kind::SpinBox: {
        auto *s = new SpinEdit(parent);
        s->setRange(10, 1000);
        s->setSingleStep(10);
        s->setValue(caption.toInt());
        return s;
    }
    case Kind::CheckBox:
        return new QCheckBox(caption, parent);
    case Kind::RadioGroup: {
        auto *g = new RadioGroup(parent);
        g->setTitle(caption);
        g->setItems({"A - 115200", "B - 128000", "C - 230400", "D - 256000", "E - 500000", "F - 1000000",
                     "G - 921600"});
        g->setItemIndex(0);
        return g;
    }
    case Kind::PaintBox:
        return new PaintBox(parent);
    case Kind::Button: {
        auto *b = new QPushButton(caption, parent);
        b->setAutoDefault(false);
        return b;
    }
    case Kind::ProgressBar: {
        auto *p = new QProgressBar(parent);
        p->setRange(0, 100);
        p->setValue(0);
        p->setOrientation(Qt::Horizontal);
        p->setTextVisible(false);
        return p;
    }
    }
    return nullptr;
}

template <typename T> void bind(QWidget *form, T *&field, const char *name)
{
    field = form->findChild<T *>(QLatin1String(name));
    if (!field)
        throw std::out_of_range("Range check error");
}

}   // namespace

// The pictures live in the static library; a reference keeps the linker from dropping them.
static void initResources()
{
    Q_INIT_RESOURCE(corvane);
}

void TMainForm::buildLayout()
{
    initResources();
    insertFontSubstitutes();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Corvane for Palvo Asnychronous Serial (UART)"));
    // Fixed border: minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(745, 417);
    setFont(makeFont(windowFont));
    setAutoFillBackground(true);
    {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, clrFace());
        pal.setColor(QPalette::WindowText, clrWindowText());
        setPalette(pal);
    }

    for (const Control &c : controls) {
        QWidget *parent = c.parent ? findChild<QWidget *>(QLatin1String(c.parent)) : this;
        if (!parent)
            throw std::out_of_range("Range check error");
        QWidget *w = makeControl(c, parent);
        w->setObjectName(QLatin1String(c.name));
        w->setGeometry(c.x, c.y, c.w, c.h);
        if (c.font.face)
            w->setFont(makeFont(c.font));
        if (c.hint)
            w->setToolTip(QString::fromUtf8(c.hint));
        w->setEnabled(c.enabled);
        if (!c.visible)
            w->hide();
    }

    bind(this, pnl1Top, "pnl1Top");
    bind(this, pnl2Mid, "pnl2Mid");
    bind(this, GroupBox1, "GroupBox1");
    bind(this, lblEncoderInfo, "lblEncoderInfo");
    bind(this, lblEncoderInfo2, "lblEncoderInfo2");
    bind(this, pnlComm, "pnlComm");
    bind(this, Image1, "Image1");
    bind(this, listCom, "listCom");
    bind(this, seDelay, "seDelay");
    bind(this, cbBeriEnkoder, "cbBeriEnkoder");
    bind(this, lblRxBuffer1, "lblRxBuffer1");
    bind(this, lblRxBuffer2, "lblRxBuffer2");
    bind(this, rgBaudrate, "rgBaudrate");
    bind(this, pnlAbsPosMT, "pnlAbsPosMT");
    bind(this, pnlAbsPosCnt, "pnlAbsPosCnt");
    bind(this, pnlAbsPosDeg, "pnlAbsPosDeg");
    bind(this, PaintBoxKot, "PaintBoxKot");
    bind(this, lblTempAsic_C, "lblTempAsic_C");
    bind(this, gbEncoderStatus, "gbEncoderStatus");
    bind(this, pnlAError, "pnlAError");
    bind(this, pnlAWarning, "pnlAWarning");
    bind(this, pnlAmplitudaHi, "pnlAmplitudaHi");
    bind(this, pnlTemperaturaAsic, "pnlTemperaturaAsic");
    bind(this, pnlAmplitudaWarn, "pnlAmplitudaWarn");
    bind(this, pnlSpeed, "pnlSpeed");
    bind(this, pnlMultiturnErr, "pnlMultiturnErr");
    bind(this, pnlOAngleAccel, "pnlOAngleAccel");
    bind(this, pnlOSafety, "pnlOSafety");
    bind(this, btnMTzero, "btnMTzero");
    bind(this, btnSTzero, "btnSTzero");
    bind(this, btnResetFactory, "btnResetFactory");
    bind(this, btnStartSelfCal, "btnStartSelfCal");
    bind(this, pbSelfCalProgress, "pbSelfCalProgress");
    bind(this, GroupBox4, "GroupBox4");
    bind(this, pnlAselfCalFinished, "pnlAselfCalFinished");
    bind(this, pnlAselfCalTimeout, "pnlAselfCalTimeout");
    bind(this, pnlAselfCalOutOfRange, "pnlAselfCalOutOfRange");
    bind(this, pnlASelfCalEffective, "pnlASelfCalEffective");
    bind(this, pnlAselfCalSucessful, "pnlAselfCalSucessful");
    bind(this, lblAselfCalResult, "lblAselfCalResult");
    bind(this, lblSWupdateCheckStatus, "lblSWupdateCheckStatus");
    lblSWupdateCheckStatus->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblSWupdateCheckStatus->setAnchorRight(true);

    // The radio group takes the focus through its selected button.
    rgBaudrate->setFocusProxy(rgBaudrate->button(0));
    QWidget *previous = nullptr;
    for (const char *name : tabOrder) {
        QWidget *w = findChild<QWidget *>(QLatin1String(name));
        if (previous)
            setTabOrder(previous, w);
        previous = w;
    }
    cbBeriEnkoder->setFocus();

    TimerBeriEnkoder = new QTimer(this);
    TimerBeriEnkoder->setObjectName(QStringLiteral("TimerBeriEnkoder"));
    TimerBeriEnkoder->setInterval(50);
    InitTimer = new QTimer(this);
    InitTimer->setObjectName(QStringLiteral("InitTimer"));
    InitTimer->setInterval(200);
    tmrStartup = new QTimer(this);
    tmrStartup->setObjectName(QStringLiteral("tmrStartup"));
    tmrStartup->setInterval(10000);
    tmrStartup->start();
}
