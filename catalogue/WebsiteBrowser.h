#pragma once

#include "core/db/DataControl.h"

#include <QObject>
#include <QString>

class QLineEdit;
class QPushButton;
class QTableView;
class QWheelEvent;
class QWidget;
class RecordsetModel;

// The list of websites and the ways of moving through it: the grid, the four
// record buttons under it and the id box with its two step buttons. The
// list's recordset owns the current row; the grid follows it and reports the
// user's row changes back. The controls are made on the parent given and laid
// out by the main window.
class WebsiteBrowser : public QObject {
    Q_OBJECT
public:
    explicit WebsiteBrowser(QWidget *parent);
    ~WebsiteBrowser() override;

    // The columns the list shows; a search adds its own condition and order.
    static const QString ListSelect;
    // The whole list, newest job first.
    static const QString ListQuery;

    // The list's data control.
    db::DataControl websiteList;

    QTableView *grid;
    QPushButton *firstButton;
    QPushButton *previousButton;
    QPushButton *nextButton;
    QPushButton *lastButton;
    QLineEdit *idBox;
    QPushButton *stepUpButton;
    QPushButton *stepDownButton;

    // Runs the query and shows its rows; throws db::DbError, leaving the grid
    // empty rather than over a closed recordset.
    void load(const QString &query);
    // The grid's rows and columns after the recordset was (re)opened.
    void resetGrid();
    bool hasCurrentRow() const;
    QString currentIdText() const;
    // 1-based position of the current row, 0 when the list is not open.
    int currentPosition() const;
    // Moves the grid's selection onto the recordset's current row.
    void followRecordset();
    void restorePosition(int position);

    void firstRecord();
    void previousRecord();
    void nextRecord();
    void lastRecord();
    void stepUp();
    void stepDown();
    // Enables or disables the navigation after a move, bouncing off the ends.
    void changeBrowseState();
    void setNavigationEnabled(bool enabled);
    // A plain turn of the wheel over the grid moves one row; true when used.
    bool wheel(QWheelEvent *event);

signals:
    // The user chose a row (click, keys, wheel, buttons): show this website.
    void rowChosen(const QString &idText);
    // The list became empty or not: commands needing a website follow.
    void browseEnabledChanged(bool enabled);

private:
    // Shows the status text and makes one move, when there is a current row.
    void browse(const QString &status, void (*move)(db::Recordset &));
    void gridRowChanged(int row, int previousRow);
    void gridClicked();

    RecordsetModel *m_model;
    bool m_following = false;
};
