#pragma once

#include <QPoint>
#include <QString>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QLineEdit;

namespace png {
class WidgetTarget;
} // namespace png

// The first window: a frameless login panel, moved by dragging its body. Its
// look is the artwork img/login.png (see ResourceLocator) with the exactly
// black pixels see-through, so the window takes the artwork's shape. It allows
// three failed attempts in all, then ends the program; a successful login
// records the account in CurUser and says so with loggedIn().
class LoginWindow : public QWidget {
    Q_OBJECT
public:
    explicit LoginWindow(QWidget *parent = nullptr);
    ~LoginWindow() override;

    QLabel *userLabel;
    QLabel *passwordLabel;
    QLineEdit *userBox;
    QLineEdit *passwordBox;
    QAbstractButton *loginArea;
    QAbstractButton *exitArea;

    // True when the artwork is shown in its own shape; false when a missing or
    // damaged image left a plain background in its place.
    bool artworkShown() const { return m_artworkShown; }
    // The window's drawing surface: the background colour with the artwork on it.
    const png::WidgetTarget *picture() const { return m_picture; }

    // The artwork this window would show now: the user's own beside the
    // notebook, else the installed one, else the copy inside the program.
    static QString artworkFile();

    // Runs the check as Enter in either box or a click on loginArea does.
    void checkLogin();

signals:
    // A login succeeded; sent just before the window closes.
    void loggedIn();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void loadArtwork();
    void countFailure();

    QString m_typedName;
    QString m_typedPassword;
    qint16 m_failedAttempts = 0;

    png::WidgetTarget *m_picture = nullptr;
    bool m_artworkShown = false;

    // Drag state: set only by a left press on the body itself.
    bool m_dragArmed = false;
    bool m_manualDrag = false;
    QPoint m_dragOffset;
};
