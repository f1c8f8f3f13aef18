#pragma once

#include <QObject>

#include <functional>

class WebsiteBrowser;

// The commands that act on the list's current website (add, change in the
// edit dialog, delete with its notes, open its notes). Each ends by asking
// the main window to reload the list at a 1-based position (0: the top).
class CatalogueCommands : public QObject {
    Q_OBJECT
public:
    CatalogueCommands(WebsiteBrowser *browser, std::function<void(int)> reloadAt, QObject *parent = nullptr);

    void addWebsite();
    void modifyWebsite();
    void deleteWebsite();
    // Opens the notes of the current website, creating its table on request.
    void openNotes();

private:
    WebsiteBrowser *m_browser;
    std::function<void(int)> m_reloadAt;
};
