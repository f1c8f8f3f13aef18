#pragma once

#include <QMainWindow>
#include <QString>

class DatePicker;
class QAction;
class QCalendarWidget;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QWheelEvent;
class SearchPanel;
class WebsiteBrowser;
class CatalogueCommands;
class WebsiteDetails;

// The program's frame window: menus, toolbar and status bar around the list
// of websites (WebsiteBrowser), the details of the current one
// (WebsiteDetails) and the search panel; CatalogueCommands runs what the
// toolbar asks of the current website.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Reads the whole list anew, newest job first, and shows its first row.
    void loadWebsiteList();
    // Shows the list's current state: grid, details and enabled commands.
    void bindListAndDetails();
    // Loads the website with this id and shows it in the details frame.
    void showWebsite(const QString &idText);

    QMenu *systemMenu;
    QAction *accountAction;
    QAction *backupAction;
    QAction *restoreAction;
    QAction *userManagerAction; // 用户管理, admin only
    QAction *systemSeparator;
    QAction *exitAction;
    QMenu *dataMenu;
    QAction *exportWebsitesAction;
    QAction *importNotesAction;
    QAction *clientReportAction = nullptr;
    QMenu *helpMenu;
    QAction *instructionsAction;
    QAction *helpSeparator;
    QAction *aboutAction;

    QToolBar *toolbar;
    QAction *viewNotesAction;
    QAction *addWebsiteAction;
    QAction *modifyWebsiteAction;
    QAction *deleteWebsiteAction;
    QAction *refreshAction;

    QStatusBar *statusLine;
    QLabel *statusPanels[5];
    // The notebook file in use, after the five panels.
    QLabel *notebookPanel;

    // Holds the list, the details and the search; sized to the frame by hand.
    QWidget *workArea;
    WebsiteBrowser *browser;
    WebsiteDetails *details;
    SearchPanel *search;
    CatalogueCommands *commands;
    QCalendarWidget *calendar;

signals:
    // After a restore the user logs in again: whoever opened this window
    // (main.cpp) shows the login window now; this window closes right after.
    void loginAgain();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void onToolbarAction(QAction *action);
    void onAccount();
    void onBackup();
    void onRestore();
    void onUserManager();
    void onExit();
    void onSearch();
    void onModifyInPlace();

private:
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void buildWorkArea();
    void loadWindow();
    void layOutWorkArea();
    void showNotebookInTitle();
    // Enables or disables every command that needs a current website.
    void setCommandsEnabled(bool enabled);
    // Reloads the list and makes the website websiteId current again, or,
    // when the list no longer holds it, the row at this 1-based position.
    void reloadAt(int position, qint32 websiteId = 0);
    void applyOuterSize();
    void showIdle();

    DatePicker *m_datePicker;
    QSize m_outerSize;
    bool m_outerSizeApplied = false;
    // Set when a restore sends the user back to the login window: the
    // window then closes without asking and without ending the program.
    bool m_returningToLogin = false;
};
