#pragma once

#include <QDialog>
#include <QString>

class DatePicker;
class QCalendarWidget;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The website edit dialog: adds a website (modifying false) or changes the
// website editedId (modifying true). The caller sets the parameters, fills the
// boxes when changing, then calls exec(); the dialog unloads when it closes.
class WebsiteDialog : public QDialog {
    Q_OBJECT
public:
    explicit WebsiteDialog(QWidget *parent = nullptr);

    bool modifying = false;
    qint32 editedId = 0;
    QString originalName;

    QLabel *nameLabel;
    QLabel *addressLabel;
    QLabel *dateLabel;
    QLabel *memoLabel;
    QLineEdit *nameBox;
    QLineEdit *addressBox;
    QLineEdit *dateBox;
    QPlainTextEdit *memoBox;
    QCalendarWidget *calendar;
    QPushButton *okButton;
    QPushButton *cancelButton;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private slots:
    void onOk();
    void onCancel();

private:
    void updateCaption();

    DatePicker *m_datePicker;
};
