#pragma once

#include <QPointer>
#include <QWidget>

// Every window exists at most once: created on first reference, forgotten
// when it is unloaded (closed with WA_DeleteOnClose). A second reference while
// it lives returns the same window.
namespace Forms {

template <class W>
class Slot {
public:
    static inline QPointer<W> window;
};

template <class W>
W *get()
{
    if (!Slot<W>::window) {
        auto *w = new W;
        w->setAttribute(Qt::WA_DeleteOnClose);
        Slot<W>::window = w;
    }
    return Slot<W>::window.data();
}

// The window if it is loaded, else nullptr; never creates it.
template <class W>
W *loaded()
{
    return Slot<W>::window.data();
}

} // namespace Forms
