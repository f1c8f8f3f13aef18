#include "accounts/FrmLogin.h"

#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "core/Twips.h"
#include "png/LoadPNG.h"
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

FrmLogin::FrmLogin(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FrmLogin"));
    setWindowTitle(QStringLiteral("Tavorin"));
    setFixedSize(Twips::toPixels(5130), Twips::toPixels(4620));

    auto makeLabel = [&](const char *name, const QString &caption, QRect geometry) {
        auto *label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(name));
        label->setGeometry(geometry);
        label->setAutoFillBackground(false);
        label->setAttribute(Qt::WA_TranslucentBackground);
        // The captions must fit their 12-pixel-high places.
        QFont f = label->font();
        f.setPixelSize(12);
        label->setFont(f);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(pal);
        return label;
    };
    auto makeBox = [&](const char *name, QRect geometry, const QString &tip) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(geometry);
        box->setMaxLength(20);
        box->setToolTip(tip);
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, Qt::white);
        box->setPalette(pal);
        return box;
    };

    Label1 = makeLabel("Label1", QStringLiteral("用户名："), twipsRect(345, 2100, 720, 180));
    txtUser = makeBox("txtUser", twipsRect(1200, 2040, 2175, 270), QStringLiteral("输入用户名，不超过20个字符"));
    Label2 = makeLabel("Label2", QStringLiteral("密\u3000码："), twipsRect(345, 2595, 720, 180));
    txtPwd = makeBox("txtPwd", twipsRect(1200, 2520, 2175, 270), QStringLiteral("输入密码，不超过20个字符"));
    txtPwd->setEchoMode(QLineEdit::Password);

    Label1->setBuddy(txtUser);
    Label2->setBuddy(txtPwd);
    txtUser->setAccessibleName(QStringLiteral("用户名"));
    txtPwd->setAccessibleName(QStringLiteral("密码"));
    setTabOrder(txtUser, txtPwd);

    Image1 = new ClickArea(QStringLiteral("Image1"), QStringLiteral("登录"), this);
    Image1->setGeometry(twipsRect(3720, 1800, 1455, 1095));
    Image2 = new ClickArea(QStringLiteral("Image2"), QStringLiteral("退出"), this);
    Image2->setGeometry(twipsRect(3840, 3120, 855, 735));

    connect(txtUser, &QLineEdit::returnPressed, this, &FrmLogin::LoginCheck);
    connect(txtPwd, &QLineEdit::returnPressed, this, &FrmLogin::LoginCheck);
    connect(Image1, &QAbstractButton::clicked, this, &FrmLogin::LoginCheck);
    connect(Image2, &QAbstractButton::clicked, this, [] { Program::end(0); });

    txtUser->setFocus();

    loadArtwork();

    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

FrmLogin::~FrmLogin() = default;

void FrmLogin::loadArtwork()
{
    // The artwork is drawn over black and composited with it where it is
    // translucent; what stays exactly black is then cut away.
    setBackground(this, Qt::black);
    m_picture = new png::WidgetTarget(this);
    if (!m_loader) {
        m_loader = std::make_unique<png::LoadPNG>();
        m_loader->setMessageHandler([](const std::string &text) { MessageBox::show(QString::fromStdString(text)); });
    }
    m_loader->PicBox(m_picture);
    m_loader->SetToBkgrnd(true, 0, 0);
    m_loader->BackgroundPicture(m_picture);
    m_loader->SetAlpha(true);
    m_loader->SetTrans(true);
    m_loader->OpenPNG("img/login.png");

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
    m_artworkShown = showsWhole(txtUser->geometry()) && showsWhole(txtPwd->geometry())
                     && visible.contains(Image1->geometry().center()) && visible.contains(Image2->geometry().center());
    if (m_artworkShown) {
        setMask(visible);
    } else {
        clearMask();
        setBackground(this, plainBackground);
    }

    QPalette pal = txtUser->palette();
    pal.setColor(QPalette::Text, boxTextColour);
    txtUser->setPalette(pal);
    pal = txtPwd->palette();
    pal.setColor(QPalette::Text, boxTextColour);
    txtPwd->setPalette(pal);
}

void FrmLogin::LoginCheck()
{
    // Blanks count as text here; they are trimmed away below and then the
    // name is simply not found.
    if (txtUser->text().isEmpty()) {
        MessageBox::show(QStringLiteral("请输入用户名"));
        txtUser->setFocus();
        return;
    }
    if (txtPwd->text().isEmpty()) {
        MessageBox::show(QStringLiteral("请输入密码"));
        txtPwd->setFocus();
        return;
    }
    NameKey = txtUser->text().trimmed();
    PasswordKey = txtPwd->text().trimmed();

    Users &login = LoginUser();
    if (!login.In_DB(NameKey)) {
        MessageBox::show(QStringLiteral("用户名不存在"));
        countFailure();
        return;
    }
    login.GetInfo(NameKey);
    // Stored passwords are hashes: the typed one is checked against the hash.
    if (!login.CheckPassword(PasswordKey)) {
        MessageBox::show(QStringLiteral("密码错误"));
        countFailure();
        return;
    }
    CurUser().GetInfo(login.UserName());

    // The main window is shown before this one closes: the program ends
    // when its last window closes, and it must never look as if it had.
    Forms::get<FrmMain>()->show();
    close();
}

void FrmLogin::countFailure()
{
    ++Try_times;
    if (Try_times < 3)
        return;
    MessageBox::show(QStringLiteral("您已经三次尝试进入本系统，均不成功，系统将关闭"));
    DbFunc::ResetConn();
    Program::end(0);
}

void FrmLogin::paintEvent(QPaintEvent *)
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
    for (QAbstractButton *area : {Image1, Image2}) {
        // Image1 runs past the right edge; outline the part that shows.
        const QRect box = area->geometry().intersected(rect()).adjusted(6, 6, -6, -6);
        painter.setPen(QPen(QColor(200, 210, 230), 2));
        painter.setBrush(QColor(60, 72, 94));
        painter.drawRoundedRect(box, 8, 8);
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, area->text());
    }
}

void FrmLogin::mousePressEvent(QMouseEvent *event)
{
    // Only the body starts a drag, not the boxes, labels or click areas.
    m_dragArmed = event->button() == Qt::LeftButton && !childAt(event->position().toPoint());
    m_manualDrag = false;
    if (m_dragArmed)
        m_dragOffset = event->globalPosition().toPoint() - pos();
    QWidget::mousePressEvent(event);
}

void FrmLogin::mouseMoveEvent(QMouseEvent *event)
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

void FrmLogin::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragArmed = false;
        m_manualDrag = false;
    }
    QWidget::mouseReleaseEvent(event);
}
