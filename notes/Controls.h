#pragma once

#include <QLabel>
#include <QPalette>
#include <QPoint>
#include <QPushButton>
#include <QString>

// Controls of the notes windows, named for code and tests (objectName) and
// for screen readers (accessibleName, the text a person reads).

inline QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text, bool grey = false)
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

inline QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    return b;
}

// The observed items of a notes table stand in rows of five: the twips offset
// of item k (0 for the first) from the top left of the first one's place.
inline QPoint itemOffset(int k) { return QPoint((k % 5) * 1800, (k / 5) * 900); }
