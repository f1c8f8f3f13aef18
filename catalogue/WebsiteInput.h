#pragma once

#include <QString>

class QLineEdit;
class QPlainTextEdit;

// The four boxes of a website, as the edit dialog and the main window's
// details frame both hold them.
struct WebsiteBoxes {
    QLineEdit *Webname = nullptr;
    QLineEdit *Weburl = nullptr;
    QLineEdit *Webtime = nullptr;
    QPlainTextEdit *Webmemos = nullptr;
};

namespace WebsiteInput {

// Refuses text the database cannot hold (a NUL, invalid Unicode) in any box,
// then checks the boxes in the order the user reads them (name, then date) and,
// when they pass, fills CurWebsite with the trimmed values, "http://" for an
// empty address and "无" for an empty memo. A refusal tells the user why and
// puts the focus in the box at fault; nothing is written either way.
bool fillCurWebsite(const WebsiteBoxes &boxes);

// True, after telling the user, when some website already has the name
// (compared by the database without regard to letter case).
bool refuseTakenName(const WebsiteBoxes &boxes, const QString &name);

// True, after telling the user that nothing was saved, when the website
// with this id is no longer stored (deleted by another instance or tool).
// The boxes keep what was typed.
bool refuseVanished(qint32 id);
// The same message, for a change that found no row to write: the website
// went between the check and the write (another worker on a server).
void tellVanished();

} // namespace WebsiteInput
