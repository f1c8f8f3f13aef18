#pragma once

#include "core/Twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPoint>
#include <QPushButton>
#include <QString>

// The small makers every window builds its controls with. Each control gets
// the name code and tests find it by (objectName) and the name a screen
// reader says (accessibleName: the text a person reads).
namespace ui {

inline QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

// A one-line input; its accessible name is the text of the label beside it.
inline QLineEdit *lineBox(QWidget *parent, const QString &name, const QString &labelText)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(labelText);
    return box;
}

// A caption; grey for the hints that explain a neighbouring input.
inline QLabel *label(QWidget *parent, const QString &name, const QString &text, bool grey = false)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setAccessibleName(text);
    if (grey) {
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::gray);
        l->setPalette(pal);
    }
    return l;
}

// The caption of an input: a click on it or its mnemonic moves to the input.
inline QLabel *labelFor(QWidget *parent, const QString &text, QWidget *buddy, const QString &name = QString())
{
    auto *l = new QLabel(text, parent);
    if (!name.isEmpty())
        l->setObjectName(name);
    l->setBuddy(buddy);
    return l;
}

// A one-line input for a caption: the caption's mnemonic moves to it and a
// screen reader says the caption's text.
inline QLineEdit *boxFor(QWidget *parent, const QString &name, QLabel *caption)
{
    QLineEdit *box = lineBox(parent, name, caption->text().simplified());
    caption->setBuddy(box);
    return box;
}

// Puts a control where the window's description has it, in twips.
inline void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(twipsRect(left, top, width, height));
}

// Items that stand in rows of five (the observed items of a notes table): the
// twips offset of item k (0 for the first) from the top left of the first.
inline QPoint itemOffset(int k) { return QPoint((k % 5) * 1800, (k / 5) * 900); }

} // namespace ui
