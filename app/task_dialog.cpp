#include "app/task_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

TaskDialog::TaskDialog(const QString &caption, const QString &title, const QString &text, Dialogs::Icon icon,
                       const QStringList &buttons, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(caption);
    setModal(true);

    auto *iconLabel = new QLabel(this);
    const QStyle::StandardPixmap pixmap =
        icon == Dialogs::Icon::Warning ? QStyle::SP_MessageBoxWarning : QStyle::SP_MessageBoxInformation;
    const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(style()->standardIcon(pixmap, nullptr, this).pixmap(size, size));
    iconLabel->setAlignment(Qt::AlignTop);

    auto *instruction = new QLabel(title, this);
    instruction->setObjectName(QStringLiteral("instruction"));
    QFont big = instruction->font();
    big.setPointSizeF(big.pointSizeF() * 1.25);
    instruction->setFont(big);
    instruction->setWordWrap(true);
    auto *content = new QLabel(text, this);
    content->setObjectName(QStringLiteral("content"));
    content->setWordWrap(true);

    auto *texts = new QVBoxLayout;
    texts->addWidget(instruction);
    texts->addWidget(content);
    texts->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addLayout(texts, 1);

    auto *row = new QHBoxLayout;
    row->addStretch();
    for (int i = 0; i < buttons.size(); ++i) {
        auto *b = new QPushButton(buttons[i], this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] { done(FirstButton + i); });
        row->addWidget(b);
        m_buttons << b;
    }
    if (!m_buttons.isEmpty()) {
        // Enter chooses the first button.
        m_buttons.first()->setDefault(true);
        m_buttons.first()->setFocus();
    }

    auto *all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addSpacing(12);
    all->addLayout(row);
    all->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(360);
}
