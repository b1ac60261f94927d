#include "app/widgets.h"

#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>

// Texts come from the encoder and the manifest too: shown as written, never as markup.
Label::Label(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Label::setText(const QString &text)
{
    QLabel::setText(text);
    if (!m_autoSize)
        return;
    const int right = geometry().right();
    adjustSize();
    if (m_anchorRight)
        move(right - width() + 1, y());
}

SpinEdit::SpinEdit(QWidget *parent) : QSpinBox(parent)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State SpinEdit::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos);
    const QString text = input.trimmed();
    if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+"))
        return QValidator::Intermediate;
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok)
        return QValidator::Invalid;
    return n >= minimum() && n <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
}

// Runs when the box corrects its text (focus lost, Enter): the nearest limit.
void SpinEdit::fixup(QString &input) const
{
    input = QString::number(qBound(minimum(), valueFromText(input), maximum()));
}

int SpinEdit::valueFromText(const QString &text) const
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : minimum();
}

Panel::Panel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

void Panel::setColor(const QColor &c)
{
    m_color = c;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, c);
    setPalette(pal);
}

void Panel::setBevel(bool lowered)
{
    if (lowered) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
    } else {
        setFrameStyle(QFrame::NoFrame);
    }
}

RadioGroup::RadioGroup(QWidget *parent) : QGroupBox(parent), m_group(new QButtonGroup(this))
{
    // Tab enters the group at its selected item, as the platform's group does.
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on)
            return;
        for (int i = 0; i < m_buttons.size(); ++i)
            m_buttons[i]->setFocusPolicy(i == id ? Qt::TabFocus : Qt::NoFocus);
    });
}

void RadioGroup::setItems(const QStringList &items)
{
    qDeleteAll(m_buttons);
    m_buttons.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto *b = new QRadioButton(items[i], this);
        b->setFocusPolicy(i == 0 ? Qt::TabFocus : Qt::NoFocus);
        m_group->addButton(b, i);
        m_buttons.append(b);
    }
    layoutButtons();
}

QStringList RadioGroup::items() const
{
    QStringList out;
    for (auto *b : m_buttons)
        out << b->text();
    return out;
}

int RadioGroup::itemIndex() const
{
    return m_group->checkedId();
}

void RadioGroup::setItemIndex(int index)
{
    if (index >= 0 && index < m_buttons.size()) {
        m_buttons[index]->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its checked button directly.
    if (auto *b = m_group->checkedButton()) {
        m_group->setExclusive(false);
        b->setChecked(false);
        m_group->setExclusive(true);
    }
}

QRadioButton *RadioGroup::button(int index) const
{
    return m_buttons.value(index);
}

void RadioGroup::resizeEvent(QResizeEvent *e)
{
    QGroupBox::resizeEvent(e);
    layoutButtons();
}

void RadioGroup::layoutButtons()
{
    if (m_buttons.isEmpty())
        return;
    // Items share the height below the caption evenly, as the platform's group does.
    const int top = 14, bottom = 4, left = 5;
    const int h = (height() - top - bottom) / int(m_buttons.size());
    for (int i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setGeometry(left, top + i * h, width() - left - 1, h);
}

PaintBox::PaintBox(QWidget *parent) : QWidget(parent) {}

void PaintBox::paintEvent(QPaintEvent *)
{
    if (!onPaint)
        return;
    QPainter p(this);
    onPaint(p);
}
