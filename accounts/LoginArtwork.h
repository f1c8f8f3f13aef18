// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

#include <string>
#include <vector>

namespace png {
class WidgetTarget;
}

// The login window's artwork as the program's own PNG decoder draws it over
// the window's black backdrop. Decoding needs no window, so a start begins it
// on a second thread (startEarly) while Qt sets up its fonts; the window then
// takes the drawing, or decodes the file itself when none was begun for it.
namespace LoginArtwork {

// What the decoder did to its target, to be done again to the window's.
struct Drawing {
    bool cleared = false;
    bool drawn = false;
    QImage image; // the decoded bitmap, converted for Qt
    QSize size;   // the bitmap's
    int x = 0;
    int y = 0;
    bool asBackground = false;
    std::vector<std::string> messages; // the decoder's messages for the user, in order

    void drawInto(png::WidgetTarget &target) const;
};

// Begins decoding `file` (a path or a Qt resource) on a second thread.
void startEarly(const QString &file);
// The drawing of `file`: the one begun early when it was of this file, else
// decoded now. Each early drawing is taken once.
Drawing take(const QString &file);

} // namespace LoginArtwork
