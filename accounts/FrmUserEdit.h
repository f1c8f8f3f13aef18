#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Lets the logged-in user change the name and password of their own account.
// The caller sets OriUser and fills the three boxes, then calls exec().
class FrmUserEdit : public QDialog {
    Q_OBJECT
public:
    explicit FrmUserEdit(QWidget *parent = nullptr);

    // The account's name as stored before editing.
    QString OriUser;

    QFrame *Frame1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLineEdit *txtUserName;
    QLineEdit *txtPass;
    QLineEdit *txtPass2;
    QPushButton *Cmd_Ok;
    QPushButton *Cmd_Cancel;

private slots:
    void Cmd_Ok_Click();
};
