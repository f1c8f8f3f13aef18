#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// The rule every drop-in calendar follows: it folds away when the focus moves
// to anything but its date box or the calendar itself, and Esc pressed in
// either folds it (the Esc goes no further, so a dialog stays open). A
// calendar left open would cover the controls below it once the user has
// moved on to them.
class CalendarFold : public QObject {
    Q_OBJECT
public:
    CalendarFold(QWidget *box, QWidget *calendar, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void focusChanged(QWidget *old, QWidget *now);
    void watch(QWidget *widget);

    // Guards: focus may move while either is being torn down.
    QPointer<QWidget> m_box;
    QPointer<QWidget> m_calendar;
};
