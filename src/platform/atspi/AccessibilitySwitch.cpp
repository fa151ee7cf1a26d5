#include "platform/atspi/AccessibilitySwitch.h"

#include <dbus/dbus.h>

#include <optional>

#include "platform/atspi/AtspiSupport.h"

namespace zuna::platform {
namespace {

constexpr const char* kStatusName = "org.a11y.Bus";
constexpr const char* kStatusPath = "/org/a11y/bus";
constexpr const char* kStatusInterface = "org.a11y.Status";
constexpr const char* kEnabledProperty = "IsEnabled";
constexpr int kStatusTimeoutMs = 500;

// Calls a property method of the accessibility status on the session bus and returns the reply.
// libdbus answers in a fraction of the time a GDBus call takes through its worker thread, and
// the two-second permission poll asks this every time.
DBusMessage* callStatus(const char* method, std::optional<bool> value) {
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    if (bus == nullptr) {
        dbus_error_free(&error);
        return nullptr;
    }
    // A session bus that goes away must not end this program.
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    DBusMessage* call = dbus_message_new_method_call(kStatusName, kStatusPath,
                                                     "org.freedesktop.DBus.Properties", method);
    DBusMessage* reply = nullptr;
    if (call != nullptr) {
        DBusMessageIter arguments;
        dbus_message_iter_init_append(call, &arguments);
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &kStatusInterface);
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &kEnabledProperty);
        if (value) {
            DBusMessageIter variant;
            const dbus_bool_t on = *value ? TRUE : FALSE;
            dbus_message_iter_open_container(&arguments, DBUS_TYPE_VARIANT, "b", &variant);
            dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &on);
            dbus_message_iter_close_container(&arguments, &variant);
        } else {
            // Reading must not start the accessibility bus; switching on may.
            dbus_message_set_auto_start(call, FALSE);
        }
        reply = dbus_connection_send_with_reply_and_block(bus, call, kStatusTimeoutMs, &error);
        dbus_message_unref(call);
    }
    dbus_error_free(&error);
    dbus_connection_unref(bus);
    return reply;
}

}  // namespace

AccessibilitySwitch::AccessibilitySwitch() : initialized_(initializeAtspi()) {}

bool AccessibilitySwitch::enabled() {
    if (!initialized_ || atspi_get_a11y_bus() == nullptr) {
        return false;
    }
    DBusMessage* reply = callStatus("Get", std::nullopt);
    if (reply == nullptr) {
        return false;
    }
    bool on = false;
    DBusMessageIter iterator;
    DBusMessageIter variant;
    if (dbus_message_iter_init(reply, &iterator) &&
        dbus_message_iter_get_arg_type(&iterator) == DBUS_TYPE_VARIANT) {
        dbus_message_iter_recurse(&iterator, &variant);
        if (dbus_message_iter_get_arg_type(&variant) == DBUS_TYPE_BOOLEAN) {
            dbus_bool_t value = FALSE;
            dbus_message_iter_get_basic(&variant, &value);
            on = value == TRUE;
        }
    }
    dbus_message_unref(reply);
    return on;
}

void AccessibilitySwitch::enable() {
    if (DBusMessage* reply = callStatus("Set", true)) {
        dbus_message_unref(reply);
    }
}

}  // namespace zuna::platform
