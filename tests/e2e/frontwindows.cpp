// Plays a window manager's part for the tests on a bare Xvfb: maps windows
// with given classes and sets the root window's EWMH properties on command.
// Reads commands on stdin, answers "ok" (or "error ...") on stdout once the
// server has them:
//   wm                      _NET_SUPPORTING_WM_CHECK and _NET_SUPPORTED
//   map NAME CLASS          a window with WM_CLASS NAME/CLASS, in the client list
//   activate NAME|none      _NET_ACTIVE_WINDOW (none: 0)
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

xcb_connection_t *c = nullptr;
xcb_window_t root = 0;

xcb_atom_t atom(const char *name)
{
    xcb_intern_atom_reply_t *r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

void setWindows(xcb_window_t on, const char *name, const std::vector<xcb_window_t> &value)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, on, atom(name), XCB_ATOM_WINDOW, 32,
                        uint32_t(value.size()), value.data());
}

xcb_window_t newWindow()
{
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    return w;
}

// Waits until the server has handled everything sent so far.
void sync()
{
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

} // namespace

int main()
{
    int screen = 0;
    c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        std::cout << "error no display" << std::endl;
        return 1;
    }
    root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::map<std::string, xcb_window_t> windows;
    std::vector<xcb_window_t> clients;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string verb, name, cls;
        words >> verb >> name >> cls;
        if (verb == "wm") {
            const xcb_window_t check = newWindow();
            setWindows(check, "_NET_SUPPORTING_WM_CHECK", {check});
            setWindows(root, "_NET_SUPPORTING_WM_CHECK", {check});
            const std::vector<xcb_atom_t> supported{atom("_NET_ACTIVE_WINDOW"),
                                                    atom("_NET_CLIENT_LIST")};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom("_NET_SUPPORTED"),
                                XCB_ATOM_ATOM, 32, uint32_t(supported.size()), supported.data());
        } else if (verb == "map" && !cls.empty()) {
            const xcb_window_t w = newWindow();
            const std::string value = name + '\0' + cls + '\0';
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                                uint32_t(value.size()), value.data());
            xcb_map_window(c, w);
            windows[name] = w;
            clients.push_back(w);
            setWindows(root, "_NET_CLIENT_LIST", clients);
        } else if (verb == "activate" && (name == "none" || windows.count(name))) {
            setWindows(root, "_NET_ACTIVE_WINDOW", {name == "none" ? 0 : windows[name]});
        } else {
            std::cout << "error " << line << std::endl;
            continue;
        }
        sync();
        std::cout << "ok" << std::endl;
    }
    xcb_disconnect(c);
    return 0;
}
