#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QLineEdit;

// The first window: a frameless login panel, moved by dragging its body. It
// allows three failed attempts in all, then ends the program; a successful
// login records the account in CurUser and hands over to the main window.
class FrmLogin : public QWidget {
    Q_OBJECT
public:
    explicit FrmLogin(QWidget *parent = nullptr);

    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *txtUser;
    QLineEdit *txtPwd;
    QAbstractButton *Image1;
    QAbstractButton *Image2;

    int tryTimes() const { return Try_times; }

    // Runs the check as Enter in either box or a click on Image1 does.
    void LoginCheck();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void countFailure();

    QString NameKey;
    QString PasswordKey;
    qint16 Try_times = 0;

    // Drag state: set only by a left press on the body itself.
    bool m_dragArmed = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
