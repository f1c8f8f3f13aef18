// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace png {
class WidgetTarget;
}

// The login window's artwork as the program's own PNG decoder draws it over
// the window's black backdrop. Decoding needs no window, so a start decodes it
// ahead (decodeAhead) on a second core while Qt connects to the window system;
// the window then takes the drawing, or decodes the file itself when none was
// made ahead for it.
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

// Has `file` (a path or a Qt resource) decoded by `run`, which runs the job it
// is given once, here or on another thread, and keeps the drawing.
void decodeAhead(const QString &file, const std::function<void(std::function<void()>)> &run);
// The drawing of `file`: the one made ahead when it was of this file (waiting
// for it if need be), else decoded now. A drawing made ahead is taken once.
Drawing take(const QString &file);

} // namespace LoginArtwork
