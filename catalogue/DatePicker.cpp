#include "catalogue/DatePicker.h"

#include "core/CalendarFold.h"
#include "core/DateText.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QEvent>
#include <QLineEdit>

DatePicker::DatePicker(QLineEdit *box, QCalendarWidget *calendar, QObject *parent)
    : QObject(parent), m_box(box), m_calendar(calendar), m_boxAlive(box), m_calendarAlive(calendar)
{
    m_calendar->hide();
    m_box->installEventFilter(this);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DatePicker::dayClicked);
    new CalendarFold(box, calendar, this);
}

void DatePicker::dropIn()
{
    if (!alive())
        return;
    const auto shown = DateText::fromText(m_box->text());
    m_calendar->setSelectedDate(shown ? *shown : QDate::currentDate());
    place();
    m_calendar->show();
    m_calendar->raise();
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && alive() && watched == m_boxAlive.data())
        dropIn();
    return QObject::eventFilter(watched, event);
}

void DatePicker::place()
{
    if (!alive())
        return;
    QWidget *area = m_calendar->parentWidget();
    if (!area)
        return;
    m_calendar->adjustSize();
    const QSize size = m_calendar->sizeHint();
    QPoint at = m_box->mapTo(area, QPoint(0, m_box->height()));
    // Keep the whole calendar inside the area it floats over.
    at.setX(qMax(0, qMin(at.x(), area->width() - size.width())));
    if (at.y() + size.height() > area->height())
        at.setY(qMax(0, m_box->mapTo(area, QPoint(0, 0)).y() - size.height()));
    m_calendar->setGeometry(QRect(at, size));
}

void DatePicker::dayClicked(const QDate &date)
{
    if (!alive())
        return;
    m_box->setText(DateText::toText(date));
    m_calendar->hide();
}
