#include "DisplayProfile.h"

#include <QGuiApplication>
#include <QScreen>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

// Profiles are some kilobytes; a table-based one may have a few megabytes. Longer is not a profile.
constexpr uint32_t MaxProfileWords = (16u << 20) / 4;

struct TFree {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using TReply = std::unique_ptr<T, TFree>;

xcb_atom_t ExistingAtom(xcb_connection_t* connection, const QByteArray& name) {
    const TReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr));
    return atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray PropertyBytes(xcb_get_property_reply_t* reply) {
    if (reply == nullptr || reply->format != 8) {
        return {};
    }
    const int length = xcb_get_property_value_length(reply);
    return length > 0 ? QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length)
                      : QByteArray();
}

QByteArray AtomName(xcb_connection_t* connection, xcb_atom_t atom) {
    const TReply<xcb_get_atom_name_reply_t> name(
        xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, atom), nullptr));
    return name ? QByteArray(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()))
                : QByteArray();
}

QByteArray X11DisplayProfile(xcb_connection_t* connection, const QScreen* screen) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup == nullptr) {
        return {};
    }
    const xcb_screen_iterator_t roots = xcb_setup_roots_iterator(setup);
    if (roots.rem == 0) {
        return {};
    }
    const xcb_window_t root = roots.data->root;
    const xcb_atom_t profileAtom = ExistingAtom(connection, X11ProfileAtomName(0));
    const TReply<xcb_randr_get_monitors_reply_t> monitors(
        xcb_randr_get_monitors_reply(connection, xcb_randr_get_monitors(connection, root, 1), nullptr));
    if (!monitors) {
        return {};
    }
    // The screen is the monitor of its name, or failing that of its place in device pixels.
    const QRect native(screen->geometry().topLeft(), screen->geometry().size() * screen->devicePixelRatio());
    int index = 0;
    for (xcb_randr_monitor_info_iterator_t it = xcb_randr_get_monitors_monitors_iterator(monitors.get());
         it.rem > 0; xcb_randr_monitor_info_next(&it), ++index) {
        const xcb_randr_monitor_info_t* monitor = it.data;
        const QRect at(monitor->x, monitor->y, monitor->width, monitor->height);
        if (AtomName(connection, monitor->name) != screen->name().toUtf8() && at != native) {
            continue;
        }
        // The output's own property first, then the root window's for the monitor's number.
        if (profileAtom != XCB_ATOM_NONE && xcb_randr_monitor_info_outputs_length(monitor) > 0) {
            const xcb_randr_output_t output = xcb_randr_monitor_info_outputs(monitor)[0];
            const TReply<xcb_randr_get_output_property_reply_t> property(xcb_randr_get_output_property_reply(
                connection,
                xcb_randr_get_output_property(connection, output, profileAtom, XCB_ATOM_ANY, 0,
                                              MaxProfileWords, 0, 0),
                nullptr));
            if (property && property->format == 8 && property->num_items > 0) {
                const int length = xcb_randr_get_output_property_data_length(property.get());
                return QByteArray(
                    reinterpret_cast<const char*>(xcb_randr_get_output_property_data(property.get())),
                    length);
            }
        }
        const xcb_atom_t atom =
            index == 0 ? profileAtom : ExistingAtom(connection, X11ProfileAtomName(index));
        if (atom == XCB_ATOM_NONE) {
            return {};
        }
        const TReply<xcb_get_property_reply_t> property(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, atom, XCB_ATOM_ANY, 0, MaxProfileWords),
            nullptr));
        return PropertyBytes(property.get());
    }
    return {};
}

}  // namespace

QByteArray X11ProfileAtomName(int index) {
    return index == 0 ? QByteArrayLiteral("_ICC_PROFILE") : "_ICC_PROFILE_" + QByteArray::number(index);
}

QByteArray DisplayProfileOf(const QScreen* screen) {
    try {
        if (screen == nullptr || qGuiApp == nullptr) {
            return {};
        }
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (x11 == nullptr || x11->connection() == nullptr) {
            return {};
        }
        return X11DisplayProfile(x11->connection(), screen);
    } catch (...) {
        return {};
    }
}
