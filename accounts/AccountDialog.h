#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Lets the logged-in user change the name and password of their own account.
// The caller sets originalUserName and fills the three boxes, then calls exec().
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
    QLineEdit *userNameBox;
    QLineEdit *passwordBox;
    QLineEdit *confirmBox;
    QPushButton *okButton;
    QPushButton *cancelButton;

private slots:
    void onOk();
};
