#pragma once

#include <QUrl>
#include <QVector>
#include <QWidget>

#include <optional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QTextBrowser;
class QTimer;
class QToolBar;

// A small browser for the program's instructions page (test.html beside the
// notebook or where the program is installed). Pages on this computer are shown inside; web addresses are
// handed to the system's browser.
class HelpBrowser : public QWidget {
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget *parent = nullptr);

    // Page opened after the instructions page when the window is first shown.
    QString startingAddress;

    // The maker's home page, always offered in the address list.
    static const QString MakerHomePage;
    // test.html where ResourceLocator finds it, else the first place it looks.
    static QString instructionsPath();

    QToolBar *toolbar;
    QFrame *addressBar;
    QLabel *addressLabel;
    QComboBox *addressBox;
    QTextBrowser *pageView;
    QTimer *loadTimer;

    // What the browser shows: the page's address and title, and whether a
    // page is still being loaded.
    QString locationName() const;
    bool busy() const { return m_pending.has_value(); }
    bool canGoBack() const { return m_historyIndex > 0; }
    bool canGoForward() const { return m_historyIndex + 1 < m_history.size(); }

    // The address as the address box shows it.
    static QString addressText(const QUrl &url);

public slots:
    // Runs the toolbar command with this key (Back, Forward, Refresh, Home,
    // Search, Stop).
    void runCommand(const QString &key);
    // Opens what the user typed or chose, as the address box does.
    void navigate(const QString &address);

signals:
    void navigationStarted(const QUrl &url);
    void navigateComplete(const QUrl &url);

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onAddressChosen();
    void onLoadTimer();
    void onNavigateComplete(const QUrl &url);
    void finishLoading();
    void linkClicked(const QUrl &link);

private:
    struct Pending {
        QUrl url;
        int historyIndex; // -1: a new entry after the current one
    };

    void loadWindow();
    void layOut();
    void startNavigation(const QUrl &url, int historyIndex);
    void showPage(const QUrl &url);
    void showProblemPage(const QString &title, const QString &bodyHtml);
    void updateHistoryActions();

    QTimer *m_loader;
    std::optional<Pending> m_pending;
    QUrl m_location;
    QVector<QUrl> m_history;
    int m_historyIndex = -1;
    bool m_loaded = false;
    // Set while the address list is rearranged, so that the change does not
    // start a navigation of its own.
    QAction *m_back;
    QAction *m_forward;
};
