#include "accounts/LoginWindow.h"

#include "accounts/Account.h"
#include "accounts/LoginArtwork.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/DatabaseProblems.h"
#include "core/InputText.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"
#include "core/Program.h"
#include "core/ResourceLocator.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"
#include "png/qt/WidgetTarget.h"

#include <QAbstractButton>
#include <QBitmap>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {

// A click area over the artwork: it draws nothing itself, the window paints
// what lies beneath it.
class ClickArea : public QAbstractButton {
public:
    ClickArea(const QString &name, const QString &accessibleName, QWidget *parent)
        : QAbstractButton(parent)
    {
        setObjectName(name);
        setAccessibleName(accessibleName);
        setText(accessibleName);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override {}
};

const QColor boxTextColour(22, 22, 22);
const QColor plainBackground(36, 42, 54);

void setBackground(QWidget *w, const QColor &colour)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

} // namespace

LoginWindow::LoginWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FrmLogin"));
    setWindowTitle(QStringLiteral("Tavorin"));
    setFixedSize(Twips::toPixels(5130), Twips::toPixels(4620));

    // White captions straight on the artwork, sized to their 12-pixel places.
    const auto caption = [this](const char *name, const QString &text, int left, int top) {
        QLabel *label = ui::label(this, QLatin1String(name), text);
        ui::place(label, left, top, 720, 180);
        label->setAutoFillBackground(false);
        label->setAttribute(Qt::WA_TranslucentBackground);
        QFont f = label->font();
        f.setPixelSize(12);
        label->setFont(f);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(pal);
        return label;
    };
    const auto box = [this](const char *name, const QString &accessibleName, int top, const QString &tip) {
        QLineEdit *b = ui::lineBox(this, QLatin1String(name), accessibleName);
        ui::place(b, 1200, top, 2175, 270);
        b->setMaxLength(20);
        b->setToolTip(tip);
        QPalette pal = b->palette();
        pal.setColor(QPalette::Base, Qt::white);
        b->setPalette(pal);
        return b;
    };

    userLabel = caption("Label1", QStringLiteral("用户名："), 345, 2100);
    userBox = box("txtUser", QStringLiteral("用户名"), 2040, QStringLiteral("输入用户名，不超过20个字符"));
    passwordLabel = caption("Label2", QStringLiteral("密\u3000码："), 345, 2595);
    passwordBox = box("txtPwd", QStringLiteral("密码"), 2520, QStringLiteral("输入密码，不超过20个字符"));
    passwordBox->setEchoMode(QLineEdit::Password);

    userLabel->setBuddy(userBox);
    passwordLabel->setBuddy(passwordBox);
    setTabOrder(userBox, passwordBox);

    loginArea = new ClickArea(QStringLiteral("Image1"), QStringLiteral("登录"), this);
    loginArea->setGeometry(twipsRect(3720, 1800, 1455, 1095));
    exitArea = new ClickArea(QStringLiteral("Image2"), QStringLiteral("退出"), this);
    exitArea->setGeometry(twipsRect(3840, 3120, 855, 735));

    connect(userBox, &QLineEdit::returnPressed, this, &LoginWindow::checkLogin);
    connect(passwordBox, &QLineEdit::returnPressed, this, &LoginWindow::checkLogin);
    connect(loginArea, &QAbstractButton::clicked, this, &LoginWindow::checkLogin);
    connect(exitArea, &QAbstractButton::clicked, this, [] { Program::end(0); });

    userBox->setFocus();

    loadArtwork();

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

LoginWindow::~LoginWindow() = default;

QString LoginWindow::artworkFile() { return ResourceLocator::findOrFirst(QStringLiteral("img/login.png")); }

void LoginWindow::loadArtwork()
{
    // The artwork is drawn over black and composited with it where it is
    // translucent; what stays exactly black is then cut away.
    setBackground(this, Qt::black);
    m_picture = new png::WidgetTarget(this);
    const LoginArtwork::Drawing drawing = LoginArtwork::take(artworkFile());
    for (const std::string &text : drawing.messages)
        MessageBox::show(QString::fromStdString(text));
    drawing.drawInto(*m_picture);

    // A missing or damaged image must not leave an invisible window, nor one
    // whose boxes or buttons lie in holes: then the plain background is shown
    // instead, without any see-through parts.
    QRegion visible;
    if (m_picture->drawCount() > 0) {
        QImage bits = m_picture->image().createMaskFromColor(qRgb(0, 0, 0), Qt::MaskOutColor);
        // Set bits are the visible pixels; say so, a bitmap reads black as set.
        bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        visible = QRegion(QBitmap::fromImage(bits));
    }
    auto showsWhole = [&](const QRect &r) { return (QRegion(r) - visible).isEmpty(); };
    m_artworkShown = showsWhole(userBox->geometry()) && showsWhole(passwordBox->geometry())
                     && visible.contains(loginArea->geometry().center()) && visible.contains(exitArea->geometry().center());
    if (m_artworkShown) {
        setMask(visible);
    } else {
        clearMask();
        setBackground(this, plainBackground);
    }

    QPalette pal = userBox->palette();
    pal.setColor(QPalette::Text, boxTextColour);
    userBox->setPalette(pal);
    pal = passwordBox->palette();
    pal.setColor(QPalette::Text, boxTextColour);
    passwordBox->setPalette(pal);
}

void LoginWindow::checkLogin()
{
    // Blanks count as text here; they are trimmed away below and then the
    // name is simply not found.
    if (userBox->text().isEmpty()) {
        MessageBox::show(QStringLiteral("请输入用户名"));
        userBox->setFocus();
        return;
    }
    if (passwordBox->text().isEmpty()) {
        MessageBox::show(QStringLiteral("请输入密码"));
        passwordBox->setFocus();
        return;
    }
    m_typedName = userBox->text().trimmed();
    m_typedPassword = passwordBox->text().trimmed();

    // Every try that does not log in counts, whatever stopped it: text that
    // cannot be looked up (a pasted NUL) or a lookup that failed.
    if (!InputText::acceptable(userBox->text(), QStringLiteral("用户名"), userBox)
        || !InputText::acceptable(passwordBox->text(), QStringLiteral("密码"), passwordBox)) {
        countFailure();
        return;
    }
    Account &login = loginUser();
    try {
        if (!login.exists(m_typedName)) {
            MessageBox::show(QStringLiteral("用户名不存在"));
            countFailure();
            return;
        }
        login.load(m_typedName);
        // Stored passwords are hashes: the typed one is checked against the hash.
        if (!login.checkPassword(m_typedPassword)) {
            MessageBox::show(QStringLiteral("密码错误"));
            countFailure();
            return;
        }
        currentUser().load(login.userName());
    } catch (const db::DbError &e) {
        MessageBox::show(DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
        countFailure();
        return;
    }

    // Whoever listens opens the next window before this one closes: the
    // program ends when its last window closes, and it must never look as if
    // it had.
    emit loggedIn();
    close();
}

void LoginWindow::countFailure()
{
    ++m_failedAttempts;
    if (m_failedAttempts < 3)
        return;
    MessageBox::show(QStringLiteral("您已经三次尝试进入本系统，均不成功，系统将关闭"));
    Database::resetConnection();
    Program::end(0);
}

void LoginWindow::paintEvent(QPaintEvent *)
{
    // The artwork lies beneath, drawn by the picture. Without it, a plain
    // panel with the two click areas outlined takes its place.
    if (m_artworkShown)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), plainBackground);
    painter.setPen(QColor(90, 104, 128));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    QFont title = font();
    title.setPointSize(20);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 30, width(), 60), Qt::AlignCenter, QStringLiteral("Tavorin"));

    QFont caption = font();
    caption.setPointSize(11);
    painter.setFont(caption);
    for (QAbstractButton *area : {loginArea, exitArea}) {
        // loginArea runs past the right edge; outline the part that shows.
        const QRect box = area->geometry().intersected(rect()).adjusted(6, 6, -6, -6);
        painter.setPen(QPen(QColor(200, 210, 230), 2));
        painter.setBrush(QColor(60, 72, 94));
        painter.drawRoundedRect(box, 8, 8);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, area->text());
    }
}

void LoginWindow::mousePressEvent(QMouseEvent *event)
{
    // Only the body starts a drag, not the boxes, labels or click areas.
    m_dragArmed = event->button() == Qt::LeftButton && !childAt(event->position().toPoint());
    m_manualDrag = false;
    if (m_dragArmed)
        m_dragOffset = event->globalPosition().toPoint() - pos();
    QWidget::mousePressEvent(event);
}

void LoginWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragArmed || event->buttons() != Qt::LeftButton) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (!m_manualDrag) {
        // Let the window system move it where it can; otherwise follow the
        // mouse ourselves.
        if (QWindow *window = windowHandle(); window && window->startSystemMove()) {
            m_dragArmed = false;
            return;
        }
        m_manualDrag = true;
    }
    move(event->globalPosition().toPoint() - m_dragOffset);
}

void LoginWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragArmed = false;
        m_manualDrag = false;
    }
    QWidget::mouseReleaseEvent(event);
}
