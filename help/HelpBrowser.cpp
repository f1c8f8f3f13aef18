#include "help/HelpBrowser.h"

#include "core/MessageBox.h"
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

const QString HelpBrowser::MakerHomePage = QStringLiteral("http://www.belmarsk.example/");

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

QString HelpBrowser::instructionsPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/test.html");
}

QString HelpBrowser::addressText(const QUrl &url)
{
    if (url.isLocalFile() && !url.hasFragment() && !url.hasQuery())
        return QDir::toNativeSeparators(url.toLocalFile());
    return url.toDisplayString();
}

HelpBrowser::HelpBrowser(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Frmbijishuoming"));
    setWindowTitle(QStringLiteral("Tavorin使用说明"));
    resize(Twips::toPixels(designWidth), Twips::toPixels(designHeight));

    toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("tbToolBar"));
    toolbar->setAccessibleName(QStringLiteral("工具栏"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolbar->setMovable(false);
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
        QAction *action = toolbar->addAction(style()->standardIcon(b.icon), b.caption);
        const QString key = QLatin1String(b.key);
        action->setObjectName(key);
        action->setData(key);
        connect(action, &QAction::triggered, this, [this, key] { runCommand(key); });
    }
    m_back = toolbar->findChild<QAction *>(QStringLiteral("Back"));
    m_forward = toolbar->findChild<QAction *>(QStringLiteral("Forward"));

    addressBar = new QFrame(this);
    addressBar->setObjectName(QStringLiteral("picAddress"));

    addressLabel = new QLabel(QStringLiteral("地址(&A):"), addressBar);
    addressLabel->setObjectName(QStringLiteral("lblAddress"));

    addressBox = new QComboBox(addressBar);
    addressBox->setObjectName(QStringLiteral("cboAddress"));
    addressBox->setAccessibleName(QStringLiteral("地址"));
    addressBox->setEditable(true);
    addressBox->setInsertPolicy(QComboBox::NoInsert);
    addressBox->setDuplicatesEnabled(false);
    addressBox->setMaxVisibleItems(15);
    addressLabel->setBuddy(addressBox);
    // Enter is taken before the combo box can add or pick an entry itself.
    addressBox->lineEdit()->installEventFilter(this);
    connect(addressBox, &QComboBox::activated, this, &HelpBrowser::onAddressChosen);

    pageView = new QTextBrowser(this);
    pageView->setObjectName(QStringLiteral("brwWebBrowser"));
    pageView->setAccessibleName(QStringLiteral("网页"));
    pageView->setOpenLinks(false);
    connect(pageView, &QTextBrowser::anchorClicked, this, &HelpBrowser::linkClicked);

    loadTimer = new QTimer(this);
    loadTimer->setObjectName(QStringLiteral("timTimer"));
    loadTimer->setInterval(5);
    connect(loadTimer, &QTimer::timeout, this, &HelpBrowser::onLoadTimer);

    // Pages load from the event loop, so that the working notice shows and
    // Stop can still cancel a page that has not been shown yet.
    m_loader = new QTimer(this);
    m_loader->setSingleShot(true);
    m_loader->setInterval(0);
    connect(m_loader, &QTimer::timeout, this, &HelpBrowser::finishLoading);

    connect(this, &HelpBrowser::navigateComplete, this, &HelpBrowser::onNavigateComplete);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    updateHistoryActions();
    layOut();
}

void HelpBrowser::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        loadWindow();
    }
}

void HelpBrowser::loadWindow()
{
    startNavigation(QUrl::fromLocalFile(instructionsPath()), -1);
    layOut();
    if (!startingAddress.isEmpty()) {
        addressBox->setEditText(startingAddress);
        if (addressBox->findText(startingAddress, Qt::MatchExactly) < 0)
            addressBox->addItem(startingAddress);
        navigate(startingAddress);
    }
    if (addressBox->findText(MakerHomePage, Qt::MatchExactly) < 0)
        addressBox->addItem(MakerHomePage);
}

void HelpBrowser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void HelpBrowser::layOut()
{
    const int inner = Twips::fromPixels(width());
    const int innerHeight = Twips::fromPixels(height());
    const int barHeight = toolbar->sizeHint().height();
    toolbar->setGeometry(0, 0, width(), barHeight);

    const int stripTop = Twips::fromPixels(barHeight);
    addressBar->setGeometry(0, Twips::toPixels(stripTop), width(), Twips::toPixels(addressStripHeight));
    addressLabel->setGeometry(Twips::toPixels(margin), Twips::toPixels(labelTop), Twips::toPixels(1500),
                            Twips::toPixels(labelHeight));
    const int comboTop = labelTop + labelHeight + 15;
    addressBox->setGeometry(Twips::toPixels(margin), Twips::toPixels(comboTop),
                            std::max(0, Twips::toPixels(inner - 2 * margin)),
                            Twips::toPixels(addressStripHeight - comboTop - 45));

    const int stripBottom = stripTop + addressStripHeight;
    pageView->setGeometry(Twips::toPixels(margin), Twips::toPixels(stripBottom + 150),
                               std::max(0, Twips::toPixels(inner - 2 * margin)),
                               std::max(0, Twips::toPixels(innerHeight - stripBottom - 300)));
}

bool HelpBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == addressBox->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            onAddressChosen();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HelpBrowser::onAddressChosen()
{
    navigate(addressBox->currentText());
}

void HelpBrowser::navigate(const QString &address)
{
    const QString text = address.trimmed();
    if (text.isEmpty())
        return;
    const QUrl url = QUrl::fromUserInput(text, QCoreApplication::applicationDirPath());
    if (!url.isValid()) {
        showProblemPage(QStringLiteral("无法打开"),
                        QStringLiteral("<p>无法识别这个地址：%1</p>").arg(text.toHtmlEscaped()));
        setWindowTitle(locationName());
        return;
    }
    startNavigation(url, -1);
}

void HelpBrowser::linkClicked(const QUrl &link)
{
    startNavigation(m_location.resolved(link), -1);
}

void HelpBrowser::startNavigation(const QUrl &url, int historyIndex)
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
    loadTimer->start();
    m_loader->start();
}

void HelpBrowser::finishLoading()
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
    emit navigateComplete(pending.url);
}

void HelpBrowser::showPage(const QUrl &url)
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
        if (QFileInfo(path).absoluteFilePath() == QFileInfo(instructionsPath()).absoluteFilePath())
            body = QStringLiteral("<p>没有找到使用说明页面 test.html。程序在这里查找它：</p><p><b>%1</b></p>"
                                  "<p>请把 test.html 放到程序所在的文件夹中，然后点“刷新”。</p>")
                       .arg(QDir::toNativeSeparators(path).toHtmlEscaped());
        showProblemPage(notFoundTitle, body);
        return;
    }
    const QString text = decodePage(file.readAll());
    pageView->document()->setBaseUrl(url.adjusted(QUrl::RemoveFilename | QUrl::RemoveFragment));
    if (isHtmlFile(path, text))
        pageView->setHtml(text);
    else
        pageView->setPlainText(text);
    if (url.hasFragment())
        pageView->scrollToAnchor(url.fragment());
}

void HelpBrowser::showProblemPage(const QString &title, const QString &bodyHtml)
{
    pageView->setHtml(QStringLiteral("<html><head><title>%1</title></head><body><h2>%1</h2>%2</body></html>")
                               .arg(title.toHtmlEscaped(), bodyHtml));
}

QString HelpBrowser::locationName() const
{
    const QString title = pageView->documentTitle().trimmed();
    if (!title.isEmpty())
        return title;
    return m_location.isEmpty() ? windowTitle() : addressText(m_location);
}

void HelpBrowser::onNavigateComplete(const QUrl &url)
{
    setWindowTitle(locationName());

    const QString address = addressText(url);
    const int found = addressBox->findText(address, Qt::MatchExactly | Qt::MatchCaseSensitive);
    // Changing the list from here emits no `activated`, so this navigates nowhere.
    if (found >= 0)
        addressBox->removeItem(found);
    addressBox->insertItem(0, address);
    addressBox->setCurrentIndex(0);
}

void HelpBrowser::onLoadTimer()
{
    if (busy()) {
        setWindowTitle(workingCaption);
    } else {
        loadTimer->stop();
        setWindowTitle(locationName());
    }
}

void HelpBrowser::runCommand(const QString &key)
{
    loadTimer->start();
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
        loadTimer->stop();
        m_loader->stop();
        m_pending.reset();
        setWindowTitle(locationName());
    }
}

void HelpBrowser::updateHistoryActions()
{
    m_back->setEnabled(canGoBack());
    m_forward->setEnabled(canGoForward());
}
