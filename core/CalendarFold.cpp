#include "core/CalendarFold.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

CalendarFold::CalendarFold(QWidget *box, QWidget *calendar, QObject *parent)
    : QObject(parent), m_box(box), m_calendar(calendar)
{
    watch(box);
    watch(calendar);
    // The calendar's own parts (day table, month and year buttons) take the
    // keys while it has the focus.
    for (QWidget *part : calendar->findChildren<QWidget *>())
        watch(part);
    connect(qApp, &QApplication::focusChanged, this, &CalendarFold::focusChanged);
}

void CalendarFold::watch(QWidget *widget) { widget->installEventFilter(this); }

bool CalendarFold::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) && m_box && m_calendar
        && m_calendar->isVisible() && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        if (event->type() == QEvent::ShortcutOverride) {
            // Claim the key so that no shortcut takes it first.
            event->accept();
            return true;
        }
        const bool inCalendar = watched == m_calendar.data() || m_calendar->isAncestorOf(qobject_cast<QWidget *>(watched));
        m_calendar->hide();
        if (inCalendar)
            m_box->setFocus();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void CalendarFold::focusChanged(QWidget *, QWidget *now)
{
    if (!m_box || !m_calendar || !now || now == m_box.data() || now == m_calendar.data()
        || m_calendar->isAncestorOf(now))
        return;
    m_calendar->hide();
}
