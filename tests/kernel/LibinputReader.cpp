#include "LibinputReader.h"

#include "EvdevReader.h"

#include <libinput.h>
#include <libudev.h>

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

namespace {

int open_restricted(const char* path, int flags, void*) {
    const int fd = open(path, flags | O_CLOEXEC);
    return fd < 0 ? -errno : fd;
}

void close_restricted(int fd, void*) {
    close(fd);
}

const libinput_interface kInterface = {open_restricted, close_restricted};

const libinput_device_capability kCapabilities[] = {
    LIBINPUT_DEVICE_CAP_KEYBOARD,    LIBINPUT_DEVICE_CAP_POINTER,    LIBINPUT_DEVICE_CAP_TOUCH,
    LIBINPUT_DEVICE_CAP_TABLET_TOOL, LIBINPUT_DEVICE_CAP_TABLET_PAD, LIBINPUT_DEVICE_CAP_GESTURE,
    LIBINPUT_DEVICE_CAP_SWITCH};

} // namespace

ZvLibinputReader::~ZvLibinputReader() {
    _watch.stop(); // before the context it reads goes
    if (_li != nullptr)
        libinput_unref(_li);
    if (_udev != nullptr)
        udev_unref(_udev);
}

bool ZvLibinputReader::start(int width, int height) {
    _width = width;
    _height = height;
    _udev = udev_new();
    if (_udev == nullptr) {
        _reason = "udev_new failed";
        return false;
    }
    _li = libinput_udev_create_context(&kInterface, nullptr, _udev);
    if (_li == nullptr || libinput_udev_assign_seat(_li, "seat0") != 0) {
        _reason = "libinput cannot take seat0";
        return false;
    }
    drain(); // the devices there already
    if (!_watch.start(libinput_get_fd(_li), [this] { drain(); })) {
        _reason = std::string("no reader thread: ") + strerror(errno);
        return false;
    }
    return true;
}

void ZvLibinputReader::drain() {
    (void)libinput_dispatch(_li);
    while (libinput_event* ev = libinput_get_event(_li)) {
        ZvLiEvent e;
        e.type = libinput_event_get_type(ev);
        libinput_device* dev = libinput_event_get_device(ev);
        e.device = libinput_device_get_name(dev);
        e.sysname = libinput_device_get_sysname(dev);
        switch (libinput_event_get_type(ev)) {
        case LIBINPUT_EVENT_DEVICE_ADDED:
            for (libinput_device_capability c : kCapabilities)
                e.caps |= libinput_device_has_capability(dev, c) ? 1u << c : 0u;
            break;
        case LIBINPUT_EVENT_TABLET_TOOL_AXIS:
        case LIBINPUT_EVENT_TABLET_TOOL_PROXIMITY:
        case LIBINPUT_EVENT_TABLET_TOOL_TIP:
        case LIBINPUT_EVENT_TABLET_TOOL_BUTTON: {
            libinput_event_tablet_tool* t = libinput_event_get_tablet_tool_event(ev);
            e.usec = libinput_event_tablet_tool_get_time_usec(t);
            e.x = libinput_event_tablet_tool_get_x_transformed(t, static_cast<uint32_t>(_width));
            e.y = libinput_event_tablet_tool_get_y_transformed(t, static_cast<uint32_t>(_height));
            e.pressure = libinput_event_tablet_tool_get_pressure(t);
            e.tip = libinput_event_tablet_tool_get_tip_state(t) == LIBINPUT_TABLET_TOOL_TIP_DOWN;
            e.proximity = libinput_event_tablet_tool_get_proximity_state(t) ==
                          LIBINPUT_TABLET_TOOL_PROXIMITY_STATE_IN;
            if (e.type == LIBINPUT_EVENT_TABLET_TOOL_BUTTON) {
                e.code = libinput_event_tablet_tool_get_button(t);
                e.state =
                    libinput_event_tablet_tool_get_button_state(t) == LIBINPUT_BUTTON_STATE_PRESSED;
            }
            break;
        }
        case LIBINPUT_EVENT_POINTER_BUTTON: {
            libinput_event_pointer* p = libinput_event_get_pointer_event(ev);
            e.usec = libinput_event_pointer_get_time_usec(p);
            e.code = libinput_event_pointer_get_button(p);
            e.state = libinput_event_pointer_get_button_state(p) == LIBINPUT_BUTTON_STATE_PRESSED;
            break;
        }
        case LIBINPUT_EVENT_KEYBOARD_KEY: {
            libinput_event_keyboard* k = libinput_event_get_keyboard_event(ev);
            e.usec = libinput_event_keyboard_get_time_usec(k);
            e.code = libinput_event_keyboard_get_key(k);
            e.state = libinput_event_keyboard_get_key_state(k) == LIBINPUT_KEY_STATE_PRESSED;
            break;
        }
        default:
            break;
        }
        libinput_event_destroy(ev);
        _log.add(std::move(e));
    }
}

bool ZvLibinputReader::waitDevice(const std::string& name, int capability, int ms) {
    const std::string node = ZvEvdevReader::findNode(name, ms);
    if (node.empty())
        return false;
    const std::string sysname = node.substr(node.rfind('/') + 1);
    // The node's latest appearance in the log: added with the capability, and not removed since.
    const auto holds = [&](const std::vector<ZvLiEvent>& events) {
        bool held = false;
        for (const ZvLiEvent& e : events) {
            if (e.sysname != sysname || e.device != name)
                continue;
            if (e.type == LIBINPUT_EVENT_DEVICE_ADDED)
                held = (e.caps & (1u << capability)) != 0;
            else if (e.type == LIBINPUT_EVENT_DEVICE_REMOVED)
                held = false;
        }
        return held;
    };
    return holds(_log.waitUntil(holds, ms));
}

const char* zv_li_type_name(int type) {
    switch (type) {
    case LIBINPUT_EVENT_DEVICE_ADDED:
        return "DEVICE_ADDED";
    case LIBINPUT_EVENT_DEVICE_REMOVED:
        return "DEVICE_REMOVED";
    case LIBINPUT_EVENT_KEYBOARD_KEY:
        return "KEYBOARD_KEY";
    case LIBINPUT_EVENT_POINTER_MOTION:
        return "POINTER_MOTION";
    case LIBINPUT_EVENT_POINTER_MOTION_ABSOLUTE:
        return "POINTER_MOTION_ABSOLUTE";
    case LIBINPUT_EVENT_POINTER_BUTTON:
        return "POINTER_BUTTON";
    case LIBINPUT_EVENT_POINTER_AXIS:
        return "POINTER_AXIS";
    case LIBINPUT_EVENT_TABLET_TOOL_AXIS:
        return "TABLET_TOOL_AXIS";
    case LIBINPUT_EVENT_TABLET_TOOL_PROXIMITY:
        return "TABLET_TOOL_PROXIMITY";
    case LIBINPUT_EVENT_TABLET_TOOL_TIP:
        return "TABLET_TOOL_TIP";
    case LIBINPUT_EVENT_TABLET_TOOL_BUTTON:
        return "TABLET_TOOL_BUTTON";
    default:
        return "OTHER";
    }
}
