#pragma once

#include <QObject>

#include <functional>

class WebsiteBrowser;

// The commands that act on the list's current website (add, change in the
// edit dialog, delete with its notes, open its notes). Each ends by asking
// the main window to reload the list on a website id, or, when the list no
// longer holds it (or the id is 0), at a 1-based position (0: the top).
class CatalogueCommands : public QObject {
    Q_OBJECT
public:
    CatalogueCommands(WebsiteBrowser *browser, std::function<void(int, qint32)> reloadAt, QObject *parent = nullptr);

    void addWebsite();
    void modifyWebsite();
    void deleteWebsite();
    // Opens the notes of the current website, creating its table on request.
    void openNotes();
    // 数据 menu: the website list (all, or what a search shows) to a file, and
    // a CSV file's rows into the current website's notes.
    void exportWebsites();
    void importNotes();
    // 数据 menu: the client report of the current website, or of every
    // website in the list (all, or what a search shows) into a folder.
    void clientReport();

private:
    WebsiteBrowser *m_browser;
    std::function<void(int, qint32)> m_reloadAt;
};
