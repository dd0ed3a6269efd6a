#include "platform/windowfind.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <vector>

namespace {

bool (*g_Finder)(const QString&) = nullptr;

QString WindowTitle(Display* display, Window window) {
    // _NET_WM_NAME (UTF-8) first, then the classic WM_NAME.
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", True);
    if (netName != None && utf8 != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, netName, 0, 4096, False, utf8, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            const QString title = QString::fromUtf8(reinterpret_cast<const char*>(data),
                                                    static_cast<qsizetype>(count));
            XFree(data);
            return title;
        }
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        const QString title = QString::fromLocal8Bit(name);
        XFree(name);
        return title;
    }
    return QString();
}

// Top-level windows are the root's children and, under a reparenting window
// manager, their children (the client inside the frame).
bool SearchX11(const QString& title) {
    if (!std::getenv("DISPLAY"))
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    bool found = false;
    std::vector<Window> pending{DefaultRootWindow(display)};
    for (int depth = 0; depth < 2 && !found; ++depth) {
        std::vector<Window> next;
        for (Window parent : pending) {
            Window root = 0, up = 0;
            Window* children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(display, parent, &root, &up, &children, &count))
                continue;
            for (unsigned int i = 0; i < count && !found; ++i) {
                found = WindowTitle(display, children[i]) == title;
                next.push_back(children[i]);
            }
            if (children)
                XFree(children);
        }
        pending.swap(next);
    }
    XCloseDisplay(display);
    return found;
}

} // namespace

bool WindowSearchAvailable() {
    if (g_Finder)
        return true;
    if (!std::getenv("DISPLAY"))
        return false;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

bool TopLevelWindowExists(const QString& title) {
    return g_Finder ? g_Finder(title) : SearchX11(title);
}

void SetWindowFinder(bool (*finder)(const QString&)) {
    g_Finder = finder;
}
