#include "help/Frmbijishuoming.h"

#include "core/MessageBox.h"
#include "core/ResourceLocator.h"
#include "core/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStringDecoder>
#include <QStyle>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>

const QString Frmbijishuoming::MakerHomePage = QStringLiteral("http://www.belmarsk.example/");

namespace {

const QString workingCaption = QStringLiteral("正在工作...");
const QString notFoundTitle = QStringLiteral("找不到网页");
// Where the Search button goes: the contents list of the instructions page.
const QString searchAnchor = QStringLiteral("contents");

// Design sizes, in twips.
constexpr int designWidth = 10500;
constexpr int designHeight = 8250;
constexpr int addressStripHeight = 735;
constexpr int labelTop = 60;
constexpr int labelHeight = 225;
constexpr int margin = 50;

// Addresses the system's browser or mail program opens instead of this window.
bool isExternal(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("ftp")
        || scheme == QLatin1String("mailto");
}

bool isHtmlFile(const QString &path, const QString &text)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html") || suffix == QLatin1String("xhtml"))
        return true;
    if (suffix == QLatin1String("txt"))
        return false;
    return Qt::mightBeRichText(text);
}

QString decodePage(const QByteArray &bytes)
{
    const auto encoding = QStringConverter::encodingForHtml(bytes);
    QStringDecoder decode(encoding.value_or(QStringConverter::Utf8));
    return decode(bytes);
}

} // namespace

QString Frmbijishuoming::instructionsPath()
{
    return ResourceLocator::findOrFirst(QStringLiteral("test.html"));
}

QString Frmbijishuoming::addressText(const QUrl &url)
{
    if (url.isLocalFile() && !url.hasFragment() && !url.hasQuery())
        return QDir::toNativeSeparators(url.toLocalFile());
    return url.toDisplayString();
}

Frmbijishuoming::Frmbijishuoming(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Frmbijishuoming"));
    setWindowTitle(QStringLiteral("Tavorin使用说明"));
    resize(Twips::toPixels(designWidth), Twips::toPixels(designHeight));

    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setAccessibleName(QStringLiteral("工具栏"));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    tbToolBar->setMovable(false);
    const struct {
        const char *key;
        QString caption;
        QStyle::StandardPixmap icon;
    } buttons[] = {
        {"Back", QStringLiteral("后退"), QStyle::SP_ArrowBack},
        {"Forward", QStringLiteral("前进"), QStyle::SP_ArrowForward},
        {"Refresh", QStringLiteral("刷新"), QStyle::SP_BrowserReload},
        {"Home", QStringLiteral("主页"), QStyle::SP_DirHomeIcon},
        {"Search", QStringLiteral("目录"), QStyle::SP_FileDialogContentsView},
        {"Stop", QStringLiteral("停止"), QStyle::SP_BrowserStop},
    };
    for (const auto &b : buttons) {
        QAction *action = tbToolBar->addAction(style()->standardIcon(b.icon), b.caption);
        const QString key = QLatin1String(b.key);
        action->setObjectName(key);
        action->setData(key);
        connect(action, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }
    m_back = tbToolBar->findChild<QAction *>(QStringLiteral("Back"));
    m_forward = tbToolBar->findChild<QAction *>(QStringLiteral("Forward"));

    picAddress = new QFrame(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));

    lblAddress = new QLabel(QStringLiteral("地址(&A):"), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setAccessibleName(QStringLiteral("地址"));
    cboAddress->setEditable(true);
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setDuplicatesEnabled(false);
    cboAddress->setMaxVisibleItems(15);
    lblAddress->setBuddy(cboAddress);
    // Enter is taken before the combo box can add or pick an entry itself.
    cboAddress->lineEdit()->installEventFilter(this);
    connect(cboAddress, &QComboBox::activated, this, &Frmbijishuoming::cboAddress_Click);

    brwWebBrowser = new QTextBrowser(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    brwWebBrowser->setAccessibleName(QStringLiteral("网页"));
    brwWebBrowser->setOpenLinks(false);
    connect(brwWebBrowser, &QTextBrowser::anchorClicked, this, &Frmbijishuoming::linkClicked);

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &Frmbijishuoming::timTimer_Timer);

    // Pages load from the event loop, so that the working notice shows and
    // Stop can still cancel a page that has not been shown yet.
    m_loader = new QTimer(this);
    m_loader->setSingleShot(true);
    m_loader->setInterval(0);
    connect(m_loader, &QTimer::timeout, this, &Frmbijishuoming::finishLoading);

    connect(this, &Frmbijishuoming::NavigateComplete, this, &Frmbijishuoming::brwWebBrowser_NavigateComplete);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    updateHistoryActions();
    Form_Resize();
}

void Frmbijishuoming::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
}

void Frmbijishuoming::Form_Load()
{
    startNavigation(QUrl::fromLocalFile(instructionsPath()), -1);
    Form_Resize();
    if (!StartingAddress.isEmpty()) {
        cboAddress->setEditText(StartingAddress);
        if (cboAddress->findText(StartingAddress, Qt::MatchExactly) < 0)
            cboAddress->addItem(StartingAddress);
        Navigate(StartingAddress);
    }
    if (cboAddress->findText(MakerHomePage, Qt::MatchExactly) < 0)
        cboAddress->addItem(MakerHomePage);
}

void Frmbijishuoming::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Frmbijishuoming::Form_Resize()
{
    const int inner = Twips::fromPixels(width());
    const int innerHeight = Twips::fromPixels(height());
    const int barHeight = tbToolBar->sizeHint().height();
    tbToolBar->setGeometry(0, 0, width(), barHeight);

    const int stripTop = Twips::fromPixels(barHeight);
    picAddress->setGeometry(0, Twips::toPixels(stripTop), width(), Twips::toPixels(addressStripHeight));
    lblAddress->setGeometry(Twips::toPixels(margin), Twips::toPixels(labelTop), Twips::toPixels(1500),
                            Twips::toPixels(labelHeight));
    const int comboTop = labelTop + labelHeight + 15;
    cboAddress->setGeometry(Twips::toPixels(margin), Twips::toPixels(comboTop),
                            std::max(0, Twips::toPixels(inner - 2 * margin)),
                            Twips::toPixels(addressStripHeight - comboTop - 45));

    const int stripBottom = stripTop + addressStripHeight;
    brwWebBrowser->setGeometry(Twips::toPixels(margin), Twips::toPixels(stripBottom + 150),
                               std::max(0, Twips::toPixels(inner - 2 * margin)),
                               std::max(0, Twips::toPixels(innerHeight - stripBottom - 300)));
}

bool Frmbijishuoming::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboAddress->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cboAddress_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Frmbijishuoming::cboAddress_Click()
{
    Navigate(cboAddress->currentText());
}

void Frmbijishuoming::Navigate(const QString &address)
{
    const QString text = address.trimmed();
    if (text.isEmpty())
        return;
    const QUrl url = QUrl::fromUserInput(text, QCoreApplication::applicationDirPath());
    if (!url.isValid()) {
        showProblemPage(QStringLiteral("无法打开"),
                        QStringLiteral("<p>无法识别这个地址：%1</p>").arg(text.toHtmlEscaped()));
        setWindowTitle(LocationName());
        return;
    }
    startNavigation(url, -1);
}

void Frmbijishuoming::linkClicked(const QUrl &link)
{
    startNavigation(m_location.resolved(link), -1);
}

void Frmbijishuoming::startNavigation(const QUrl &url, int historyIndex)
{
    if (isExternal(url)) {
        if (!QDesktopServices::openUrl(url))
            MessageBox::show(QStringLiteral("无法用系统的浏览器打开：") + url.toDisplayString());
        return;
    }
    // A newer navigation replaces one that has not finished.
    m_pending = Pending{url, historyIndex};
    emit navigationStarted(url);
    setWindowTitle(workingCaption);
    timTimer->start();
    m_loader->start();
}

void Frmbijishuoming::finishLoading()
{
    if (!m_pending)
        return;
    const Pending pending = *m_pending;
    m_pending.reset();
    if (pending.historyIndex < 0) {
        m_history.resize(m_historyIndex + 1);
        m_history.append(pending.url);
        m_historyIndex = int(m_history.size()) - 1;
    } else {
        m_historyIndex = pending.historyIndex;
    }
    showPage(pending.url);
    m_location = pending.url;
    updateHistoryActions();
    emit NavigateComplete(pending.url);
}

void Frmbijishuoming::showPage(const QUrl &url)
{
    if (!url.isLocalFile()) {
        showProblemPage(QStringLiteral("无法打开"),
                        QStringLiteral("<p>这个窗口只能显示本机上的网页，无法打开：</p><p>%1</p>")
                            .arg(url.toDisplayString().toHtmlEscaped()));
        return;
    }
    const QString path = url.toLocalFile();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        QString body = QStringLiteral("<p>没有找到这个网页，或者它无法读取：</p><p><b>%1</b></p>")
                           .arg(QDir::toNativeSeparators(path).toHtmlEscaped());
        if (QFileInfo(path).absoluteFilePath() == QFileInfo(instructionsPath()).absoluteFilePath()) {
            QStringList places;
            for (const QString &place : ResourceLocator::candidates(QStringLiteral("test.html")))
                places << QStringLiteral("<b>%1</b>").arg(QDir::toNativeSeparators(place).toHtmlEscaped());
            body = QStringLiteral("<p>没有找到使用说明页面 test.html。程序在这些地方查找它：</p><p>%1</p>"
                                  "<p>请把 test.html 放到第一个文件夹中，然后点“刷新”。</p>")
                       .arg(places.join(QStringLiteral("<br>")));
        }
        showProblemPage(notFoundTitle, body);
        return;
    }
    const QString text = decodePage(file.readAll());
    brwWebBrowser->document()->setBaseUrl(url.adjusted(QUrl::RemoveFilename | QUrl::RemoveFragment));
    if (isHtmlFile(path, text))
        brwWebBrowser->setHtml(text);
    else
        brwWebBrowser->setPlainText(text);
    if (url.hasFragment())
        brwWebBrowser->scrollToAnchor(url.fragment());
}

void Frmbijishuoming::showProblemPage(const QString &title, const QString &bodyHtml)
{
    brwWebBrowser->setHtml(QStringLiteral("<html><head><title>%1</title></head><body><h2>%1</h2>%2</body></html>")
                               .arg(title.toHtmlEscaped(), bodyHtml));
}

QString Frmbijishuoming::LocationName() const
{
    const QString title = brwWebBrowser->documentTitle().trimmed();
    if (!title.isEmpty())
        return title;
    return m_location.isEmpty() ? windowTitle() : addressText(m_location);
}

void Frmbijishuoming::brwWebBrowser_NavigateComplete(const QUrl &url)
{
    setWindowTitle(LocationName());

    const QString address = addressText(url);
    const int found = cboAddress->findText(address, Qt::MatchExactly | Qt::MatchCaseSensitive);
    // Changing the list from here emits no `activated`, so this navigates nowhere.
    if (found >= 0)
        cboAddress->removeItem(found);
    cboAddress->insertItem(0, address);
    cboAddress->setCurrentIndex(0);
}

void Frmbijishuoming::timTimer_Timer()
{
    if (Busy()) {
        setWindowTitle(workingCaption);
    } else {
        timTimer->stop();
        setWindowTitle(LocationName());
    }
}

void Frmbijishuoming::tbToolBar_ButtonClick(const QString &key)
{
    timTimer->start();
    if (key == QLatin1String("Back")) {
        if (canGoBack())
            startNavigation(m_history.at(m_historyIndex - 1), m_historyIndex - 1);
    } else if (key == QLatin1String("Forward")) {
        if (canGoForward())
            startNavigation(m_history.at(m_historyIndex + 1), m_historyIndex + 1);
    } else if (key == QLatin1String("Refresh")) {
        if (!m_location.isEmpty())
            startNavigation(m_location, m_historyIndex);
    } else if (key == QLatin1String("Home")) {
        startNavigation(QUrl::fromLocalFile(instructionsPath()), -1);
    } else if (key == QLatin1String("Search")) {
        QUrl contents = QUrl::fromLocalFile(instructionsPath());
        contents.setFragment(searchAnchor);
        startNavigation(contents, -1);
    } else if (key == QLatin1String("Stop")) {
        timTimer->stop();
        m_loader->stop();
        m_pending.reset();
        setWindowTitle(LocationName());
    }
}

void Frmbijishuoming::updateHistoryActions()
{
    m_back->setEnabled(canGoBack());
    m_forward->setEnabled(canGoForward());
}
