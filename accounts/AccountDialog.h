#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Lets the logged-in user change the name and password of their own account.
// The caller sets originalUserName and fills the name box, then calls exec().
// The password boxes start empty: the name can be changed alone; a new
// password needs the current one, then the new one twice.
class AccountDialog : public QDialog {
    Q_OBJECT
public:
    explicit AccountDialog(QWidget *parent = nullptr);

    // The account's name as stored before editing.
    QString originalUserName;

    QFrame *frame;
    QLabel *userNameLabel;
    QLabel *passwordLabel;
    QLabel *confirmLabel;
    QLabel *currentPasswordLabel;
    QLineEdit *userNameBox;
    QLineEdit *currentPasswordBox;
    QLineEdit *passwordBox;
    QLineEdit *confirmBox;
    QPushButton *okButton;
    QPushButton *cancelButton;

private slots:
    void onOk();
};
