#pragma once
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <functional>

class QButtonGroup;
class QPainter;
class QRadioButton;

// A panel with a caption and a colour; the status lamps are panels too.
class Panel : public QLabel {
    Q_OBJECT
public:
    explicit Panel(QWidget *parent = nullptr);
    QColor color() const { return m_color; }
    void setColor(const QColor &c);
    void setBevel(bool lowered);
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

// A paint area without content of its own: its paint handler draws it.
class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget *parent = nullptr);
    std::function<void(QPainter &)> onPaint;
protected:
    void paintEvent(QPaintEvent *e) override;
};
