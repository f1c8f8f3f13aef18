#pragma once

#include <QDialog>
#include <QString>

class DatePicker;
class QCalendarWidget;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The website edit dialog: adds a website (Modify false) or changes the
// website OriId (Modify true). The caller sets the parameters, fills the
// boxes when changing, then calls exec(); the dialog unloads when it closes.
class FrmStyleEdit : public QDialog {
    Q_OBJECT
public:
    explicit FrmStyleEdit(QWidget *parent = nullptr);

    bool Modify = false;
    qint32 OriId = 0;
    QString OriName;

    QLabel *Label1;
    QLabel *Label5;
    QLabel *Label6;
    QLabel *Label7;
    QLineEdit *Webname;
    QLineEdit *Weburl;
    QLineEdit *Webtime;
    QPlainTextEdit *Webmemos;
    QCalendarWidget *MonthView1;
    QPushButton *Cmd_OK;
    QPushButton *Cmd_Cancel;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void Cmd_OK_Click();
    void Cmd_Cancel_Click();

private:
    void updateCaption();

    DatePicker *m_datePicker;
};
