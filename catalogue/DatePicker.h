#pragma once

#include <QObject>
#include <QPointer>

class QCalendarWidget;
class QDate;
class QLineEdit;
class QWidget;

// Ties a date box to its month calendar. The calendar drops in when the box
// gets the focus, showing the box's own date (today when the box holds none);
// clicking a day writes it into the box and hides the calendar. The box
// changes only by such a click, so passing through it never replaces a
// stored date. The calendar folds away when the focus moves on, and on Esc.
class DatePicker : public QObject {
    Q_OBJECT
public:
    // The calendar must be a child of some ancestor of the box; it floats over
    // that ancestor's other controls while it is shown.
    DatePicker(QLineEdit *box, QCalendarWidget *calendar, QObject *parent = nullptr);

    void dropIn();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();
    void dayClicked(const QDate &date);

    bool alive() const { return m_boxAlive && m_calendarAlive; }

    QLineEdit *m_box;
    QCalendarWidget *m_calendar;
    // Guards typed as QWidget: focus may move while either is being torn
    // down, when it is no longer a complete QLineEdit or QCalendarWidget.
    QPointer<QWidget> m_boxAlive;
    QPointer<QWidget> m_calendarAlive;
};
