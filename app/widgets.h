#pragma once
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QWidget>
#include <functional>

class QButtonGroup;
class QPainter;
class QRadioButton;

// A label that sizes itself to its text whenever the text changes; a
// right-anchored one grows to the left and keeps its right edge.
// The window's fields are typed Label*, so every setText goes through here.
class Label : public QLabel {
    Q_OBJECT
public:
    explicit Label(QWidget *parent = nullptr);
    void setText(const QString &text);   // hides QLabel::setText on purpose
    void setAutoSize(bool on) { m_autoSize = on; }
    bool autoSize() const { return m_autoSize; }
    void setAnchorRight(bool on) { m_anchorRight = on; }

private:
    bool m_autoSize = true;
    bool m_anchorRight = false;
};

// A panel with a caption and a colour; the status lamps are panels too.
class Panel : public QLabel {
    Q_OBJECT
public:
    explicit Panel(QWidget *parent = nullptr);
    QColor color() const { return m_color; }
    void setColor(const QColor &c);
    void setBevel(bool lowered);
    bool bevelLowered() const { return frameShadow() == QFrame::Sunken && frameShape() != QFrame::NoFrame; }

private:
    QColor m_color;
};

// A group box of radio buttons with one selected item (or none, -1).
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(QWidget *parent = nullptr);
    void setItems(const QStringList &items);
    QStringList items() const;
    int itemIndex() const;
    void setItemIndex(int index);
    QRadioButton *button(int index) const;

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void layoutButtons();
    QButtonGroup *m_group;
    QList<QRadioButton *> m_buttons;
};

// A spin box whose typed text counts as typed, also outside its limits; it is
// brought into them (to the nearest limit) only when the box loses the focus.
// A text that is no whole number reads as the lower limit.
class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinEdit(QWidget *parent = nullptr);

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;

protected:
    int valueFromText(const QString &text) const override;
};

// A paint area without content of its own: its paint handler draws it.
class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget *parent = nullptr);
    std::function<void(QPainter &)> onPaint;

protected:
    void paintEvent(QPaintEvent *e) override;
};

// Rows of one fixed height, whatever items the list is given later.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    FixedRowDelegate(int rowHeight, QObject *parent) : QStyledItemDelegate(parent), m_height(rowHeight) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_height};
    }

private:
    int m_height;
};
