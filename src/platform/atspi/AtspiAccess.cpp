#include "platform/atspi/AtspiAccess.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "core/localization/Localization.h"

namespace zuna::platform {
namespace {

using Clock = std::chrono::steady_clock;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using Ref = std::unique_ptr<T, GObjectUnref>;

// Spends one budget over many D-Bus calls: each call may take only what is left.
class Deadline {
  public:
    explicit Deadline(std::chrono::microseconds budget) : end_(Clock::now() + budget) {}
    explicit Deadline(Clock::time_point end) : end_(end) {}
    Clock::time_point end() const { return end_; }

    // Arms libatspi's per-call timeout from the time left; false when none is. In a process with
    // threads (as any Qt program) libdbus may wait twice the timeout, and libatspi sends some
    // calls twice when the first gets no answer: measured against a stopped application, one
    // call took up to four times its timeout. So each call gets a quarter of what is left.
    bool arm() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        atspi_set_timeout(static_cast<gint>(std::max<long>(1, left.count() / 4)), 0);
        return true;
    }

  private:
    Clock::time_point end_;
};

constexpr const char* statusName = "org.a11y.Bus";
constexpr const char* statusPath = "/org/a11y/bus";
constexpr const char* statusInterface = "org.a11y.Status";
constexpr const char* enabledProperty = "IsEnabled";
constexpr int statusTimeoutMs = 500;

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
    DBusMessage* call = dbus_message_new_method_call(statusName, statusPath,
                                                     "org.freedesktop.DBus.Properties", method);
    DBusMessage* reply = nullptr;
    if (call != nullptr) {
        DBusMessageIter arguments;
        dbus_message_iter_init_append(call, &arguments);
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &statusInterface);
        dbus_message_iter_append_basic(&arguments, DBUS_TYPE_STRING, &enabledProperty);
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
        reply = dbus_connection_send_with_reply_and_block(bus, call, statusTimeoutMs, &error);
        dbus_message_unref(call);
    }
    dbus_error_free(&error);
    dbus_connection_unref(bus);
    return reply;
}

// Also what browsers show for a field the page masks with -webkit-text-security (disc, circle,
// square).
constexpr std::string_view kMasks[] = {"\u25CF", "\u2022", "*",      "\u2219",
                                       "\u00B7", "\u2731", "\u25E6", "\u25A0"};

bool hasState(AtspiStateSet* states, AtspiStateType state) {
    return states != nullptr && atspi_state_set_contains(states, state);
}

std::string identityOf(AtspiAccessible* element) {
    const AtspiObject& object = element->parent;
    std::string identity = object.app != nullptr && object.app->bus_name != nullptr
                               ? object.app->bus_name
                               : std::string();
    identity += object.path != nullptr ? object.path : "";
    return identity;
}

// The focused descendant of a window through the Collection interface (one call), where the
// application offers it.
Ref<AtspiAccessible> focusedByCollection(AtspiAccessible* window, const Deadline& deadline,
                                         bool& unsupported) {
    unsupported = false;
    if (!deadline.arm()) {
        return nullptr;
    }
    Ref<AtspiCollection> collection(atspi_accessible_get_collection_iface(window));
    if (!collection) {
        unsupported = true;
        return nullptr;
    }
    Ref<AtspiStateSet> states(atspi_state_set_new(nullptr));
    atspi_state_set_add(states.get(), ATSPI_STATE_FOCUSED);
    Ref<AtspiMatchRule> rule(atspi_match_rule_new(
        states.get(), ATSPI_Collection_MATCH_ALL, nullptr, ATSPI_Collection_MATCH_NONE, nullptr,
        ATSPI_Collection_MATCH_NONE, nullptr, ATSPI_Collection_MATCH_NONE, FALSE));
    if (!deadline.arm()) {
        return nullptr;
    }
    GError* error = nullptr;
    GArray* matches = atspi_collection_get_matches(
        collection.get(), rule.get(), ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, &error);
    if (error != nullptr) {
        // Not implemented after all, or no answer in time; the deadline then stops the walk.
        unsupported = true;
        g_error_free(error);
        return nullptr;
    }
    Ref<AtspiAccessible> found;
    if (matches != nullptr) {
        if (matches->len > 0) {
            found.reset(static_cast<AtspiAccessible*>(
                g_object_ref(g_array_index(matches, AtspiAccessible*, 0))));
        }
        for (guint i = 0; i < matches->len; ++i) {
            g_object_unref(g_array_index(matches, AtspiAccessible*, i));
        }
        g_array_free(matches, TRUE);
    }
    return found;
}

// Depth first through shown elements only, for applications without Collection (Qt, GTK 4).
Ref<AtspiAccessible> focusedByWalk(AtspiAccessible* element, const Deadline& deadline,
                                   int& visits) {
    if (++visits > 5000 || !deadline.arm()) {
        return nullptr;
    }
    Ref<AtspiStateSet> states(atspi_accessible_get_state_set(element));
    if (hasState(states.get(), ATSPI_STATE_FOCUSED)) {
        return Ref<AtspiAccessible>(static_cast<AtspiAccessible*>(g_object_ref(element)));
    }
    // GTK 4 marks shown elements VISIBLE only, never SHOWING.
    if (!hasState(states.get(), ATSPI_STATE_SHOWING) &&
        !hasState(states.get(), ATSPI_STATE_VISIBLE)) {
        return nullptr;
    }
    if (!deadline.arm()) {
        return nullptr;
    }
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(element, &error);
    if (error != nullptr) {
        g_error_free(error);
        return nullptr;
    }
    for (gint i = 0; i < count && deadline.arm(); ++i) {
        Ref<AtspiAccessible> child(atspi_accessible_get_child_at_index(element, i, &error));
        if (error != nullptr) {
            g_error_free(error);
            return nullptr;
        }
        if (child) {
            if (auto found = focusedByWalk(child.get(), deadline, visits)) {
                return found;
            }
        }
    }
    return nullptr;
}

// The focused element through the application's windows, the active ones first: an inactive
// window may keep a focused element of its own.
Ref<AtspiAccessible> focusedInWindows(AtspiAccessible* application, const Deadline& deadline) {
    if (!deadline.arm()) {
        return nullptr;
    }
    GError* error = nullptr;
    const gint windowCount = atspi_accessible_get_child_count(application, &error);
    if (error != nullptr) {
        g_error_free(error);
        return nullptr;
    }
    std::vector<Ref<AtspiAccessible>> windows;
    std::size_t activeCount = 0;
    for (gint i = 0; i < windowCount && deadline.arm(); ++i) {
        Ref<AtspiAccessible> window(atspi_accessible_get_child_at_index(application, i, &error));
        if (error != nullptr) {
            g_error_free(error);
            return nullptr;
        }
        if (!window || !deadline.arm()) {
            continue;
        }
        Ref<AtspiStateSet> states(atspi_accessible_get_state_set(window.get()));
        if (hasState(states.get(), ATSPI_STATE_ACTIVE)) {
            windows.insert(windows.begin() + static_cast<std::ptrdiff_t>(activeCount++),
                           std::move(window));
        } else {
            windows.push_back(std::move(window));
        }
    }
    for (const auto& window : windows) {
        bool unsupported = false;
        Ref<AtspiAccessible> element = focusedByCollection(window.get(), deadline, unsupported);
        if (!element && unsupported) {
            int visits = 0;
            element = focusedByWalk(window.get(), deadline, visits);
        }
        if (element || !deadline.arm()) {
            return element;
        }
    }
    return nullptr;
}

FieldRole roleOf(AtspiAccessible* element, AtspiRole role, AtspiStateSet* states,
                 const Deadline& deadline) {
    switch (role) {
        case ATSPI_ROLE_COMBO_BOX:
            return FieldRole::comboBox;
        case ATSPI_ROLE_PASSWORD_TEXT:
            return FieldRole::textField;
        case ATSPI_ROLE_TEXT:
        case ATSPI_ROLE_ENTRY: {
            if (hasState(states, ATSPI_STATE_MULTI_LINE)) {
                return FieldRole::textArea;
            }
            if (deadline.arm()) {
                GError* error = nullptr;
                Ref<AtspiAccessible> parent(atspi_accessible_get_parent(element, &error));
                if (error != nullptr) {
                    g_error_free(error);
                } else if (parent && deadline.arm() &&
                           atspi_accessible_get_role(parent.get(), nullptr) ==
                               ATSPI_ROLE_COMBO_BOX) {
                    return FieldRole::comboBox;
                }
            }
            return FieldRole::textField;
        }
        default:
            return FieldRole::other;
    }
}

// The focused element: one call where the application offers Collection (GTK 3, Chromium);
// else a walk through its windows.
Ref<AtspiAccessible> focusedIn(AtspiAccessible* application, const Deadline& deadline,
                               bool& walked) {
    bool unsupported = false;
    Ref<AtspiAccessible> element = focusedByCollection(application, deadline, unsupported);
    walked = !element && unsupported;
    if (walked) {
        element = focusedInWindows(application, deadline);
    }
    return element;
}

bool isChromium(AtspiAccessible* application, const Deadline& deadline) {
    if (!deadline.arm()) {
        return false;
    }
    // libatspi keeps the name with the application, so this asks once per application.
    GError* error = nullptr;
    gchar* toolkit = atspi_accessible_get_toolkit_name(application, &error);
    g_clear_error(&error);
    const bool chromium = toolkit != nullptr && std::string_view(toolkit) == "Chromium";
    g_free(toolkit);
    return chromium;
}

// Chromium builds its tree once something reads an element's attributes, which is what an
// assistive technology does first; other calls (names, roles, states, children) do not count.
// Measured with Chromium 156: the focused field is there some 90 ms later.
Ref<AtspiAccessible> wakeChromium(AtspiAccessible* application, const Deadline& deadline) {
    if (!deadline.arm()) {
        return nullptr;
    }
    GError* error = nullptr;
    if (GHashTable* attributes = atspi_accessible_get_attributes(application, &error)) {
        g_hash_table_unref(attributes);
    }
    g_clear_error(&error);
    constexpr auto pause = std::chrono::milliseconds(15);
    while (Clock::now() + pause < deadline.end()) {
        std::this_thread::sleep_for(pause);
        atspi_accessible_clear_cache(application);
        bool walked = false;
        if (auto element = focusedIn(application, deadline, walked)) {
            return element;
        }
    }
    return nullptr;
}

// Text that is there but shows as nothing but mask characters (●, •, *).
bool onlyMaskCharacters(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    while (!text.empty()) {
        const auto mask =
            std::find_if(std::begin(kMasks), std::end(kMasks), [&](std::string_view candidate) {
                return text.substr(0, candidate.size()) == candidate;
            });
        if (mask == std::end(kMasks)) {
            return false;
        }
        text.remove_prefix(mask->size());
    }
    return true;
}

// The character drawn at the start of the field, which a field that hides its text draws as a
// mask character (GTK 4 answers this from what it draws, the text itself from its buffer).
// Empty when the toolkit does not tell.
std::optional<std::string> drawnFirstCharacter(AtspiText* text, const Deadline& deadline) {
    if (!deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    AtspiTextRange* range =
        atspi_text_get_string_at_offset(text, 0, ATSPI_TEXT_GRANULARITY_CHAR, &error);
    std::optional<std::string> drawn;
    if (error == nullptr) {
        drawn = range != nullptr && range->content != nullptr ? range->content : "";
    }
    g_clear_error(&error);
    if (range != nullptr) {
        g_boxed_free(ATSPI_TYPE_TEXT_RANGE, range);
    }
    return drawn;
}

// A GTK 4 entry that hides its text is a plain text element with its real text on AT-SPI (GTK
// 4.8 and 4.18 alike); only what it draws gives it away, and an empty one draws nothing. So one
// character is put in, the drawing read, and the character taken out again: about 5 ms.
std::optional<bool> hidesAProbe(AtspiAccessible* element, AtspiText* text,
                                const Deadline& deadline) {
    Ref<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(element));
    if (!editable || !deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const bool inserted = atspi_editable_text_insert_text(editable.get(), 0, "x", 1, &error);
    g_clear_error(&error);
    if (!inserted) {
        return std::nullopt;
    }
    const auto drawn = drawnFirstCharacter(text, deadline);
    // Taken out whatever the reading gave, with time of its own: the probe must not stay behind.
    atspi_set_timeout(250, 0);
    const bool removed = atspi_editable_text_delete_text(editable.get(), 0, 1, &error);
    g_clear_error(&error);
    if (!drawn || !removed) {
        return std::nullopt;
    }
    return !drawn->empty() && *drawn != "x";
}

// A password field that does not say so by its role: a web page can give a password input
// another role (Firefox then shows it as an entry), but the input type stays in its attributes;
// any toolkit shows the present text of a password field as mask characters, or at least draws
// them. No answer when the check cannot finish (no time left, a failed read): a slow target must
// never pass as checked.
std::optional<bool> disguisedPassword(AtspiAccessible* element, AtspiRole role,
                                      AtspiStateSet* states, const Deadline& deadline) {
    if (role != ATSPI_ROLE_TEXT && role != ATSPI_ROLE_ENTRY) {
        return false;
    }
    if (!deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    GHashTable* attributes = atspi_accessible_get_attributes(element, &error);
    if (error != nullptr) {
        g_error_free(error);
        return std::nullopt;
    }
    bool gtk4 = false;
    if (attributes != nullptr) {
        const auto* type =
            static_cast<const char*>(g_hash_table_lookup(attributes, "text-input-type"));
        const bool password = type != nullptr && std::string_view(type) == "password";
        // GTK 3 says "gtk" through ATK; GTK 4 speaks AT-SPI itself.
        const auto* toolkit = static_cast<const char*>(g_hash_table_lookup(attributes, "toolkit"));
        gtk4 = toolkit != nullptr && std::string_view(toolkit) == "GTK";
        g_hash_table_unref(attributes);
        if (password) {
            return true;
        }
    }
    // Passwords are single lines; a text area is never read.
    if (hasState(states, ATSPI_STATE_MULTI_LINE)) {
        return false;
    }
    if (!deadline.arm()) {
        return std::nullopt;
    }
    Ref<AtspiText> text(atspi_accessible_get_text_iface(element));
    if (!text || !deadline.arm()) {
        return std::nullopt;
    }
    // A bounded read: a field of mask characters longer than this is a password all the same.
    // Firefox answers nothing for a range past the end, so the end is the field's own.
    const gint count = atspi_text_get_character_count(text.get(), &error);
    if (error != nullptr || !deadline.arm()) {
        g_clear_error(&error);
        return std::nullopt;
    }
    gchar* present = atspi_text_get_text(text.get(), 0, std::min(count, 64), &error);
    if (error != nullptr) {
        g_error_free(error);
        g_free(present);
        return std::nullopt;
    }
    const std::string content = present != nullptr ? present : "";
    g_free(present);
    if (onlyMaskCharacters(content)) {
        return true;
    }
    if (content.empty()) {
        if (!gtk4 || !hasState(states, ATSPI_STATE_EDITABLE)) {
            return false;
        }
        return hidesAProbe(element, text.get(), deadline);
    }
    // The drawn character may be a whole cluster (a letter with its accent): a prefix of the text.
    const auto drawn = drawnFirstCharacter(text.get(), deadline);
    if (!drawn) {
        return std::nullopt;
    }
    return !drawn->empty() && content.compare(0, drawn->size(), *drawn) != 0;
}

}  // namespace

AtspiAccess::AtspiAccess() {
    // atspi_init answers 0 the first time and 1 when it ran before; anything else is a failure.
    const int result = atspi_init();
    initialized_ = result == 0 || result == 1;
}

AtspiAccess::~AtspiAccess() {
    rememberWalked(nullptr);
    if (cachedApplication_ != nullptr) {
        g_object_unref(cachedApplication_);
    }
}

void AtspiAccess::rememberWalked(_AtspiAccessible* element) {
    if (walkedElement_ != nullptr) {
        g_object_unref(walkedElement_);
    }
    walkedElement_ =
        element != nullptr ? static_cast<AtspiAccessible*>(g_object_ref(element)) : nullptr;
}

// The process id of an application comes from the bus daemon, so a frozen application does not
// hold this up. Returns a new reference.
AtspiAccessible* AtspiAccess::application(int processId, Clock::time_point end, bool& searchedAll) {
    searchedAll = false;
    const Deadline deadline(end);
    GError* error = nullptr;
    if (cachedApplication_ != nullptr && cachedProcessId_ == processId && deadline.arm()) {
        const guint owner = atspi_accessible_get_process_id(cachedApplication_, &error);
        if (error == nullptr && owner == static_cast<guint>(processId)) {
            return static_cast<AtspiAccessible*>(g_object_ref(cachedApplication_));
        }
        g_clear_error(&error);
    }
    if (cachedApplication_ != nullptr) {
        g_object_unref(cachedApplication_);
        cachedApplication_ = nullptr;
    }
    chromiumWoken_ = false;
    focusSeen_ = false;
    rememberWalked(nullptr);
    Ref<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop || !deadline.arm()) {
        return nullptr;
    }
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (error != nullptr) {
        g_error_free(error);
        return nullptr;
    }
    gint asked = 0;
    for (; asked < count && deadline.arm(); ++asked) {
        Ref<AtspiAccessible> candidate(
            atspi_accessible_get_child_at_index(desktop.get(), asked, &error));
        if (error == nullptr && candidate &&
            atspi_accessible_get_process_id(candidate.get(), &error) ==
                static_cast<guint>(processId) &&
            error == nullptr) {
            cachedApplication_ = static_cast<AtspiAccessible*>(g_object_ref(candidate.get()));
            cachedProcessId_ = processId;
            return candidate.release();
        }
        g_clear_error(&error);
    }
    searchedAll = asked == count;
    return nullptr;
}

bool AtspiAccess::enabled() {
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

void AtspiAccess::enable() {
    if (DBusMessage* reply = callStatus("Set", true)) {
        dbus_message_unref(reply);
    }
}

AtspiAccess::Lookup AtspiAccess::focusedField(int processId, std::chrono::microseconds budget) {
    using Outcome = Lookup::Outcome;
    if (!initialized_ || processId <= 0) {
        return {};
    }
    const Deadline deadline(budget);

    bool searchedAll = false;
    Ref<AtspiAccessible> application(this->application(processId, deadline.end(), searchedAll));
    if (!application) {
        return {searchedAll ? Outcome::absent : Outcome::failed, {}};
    }
    // A long-running process would otherwise read states cached at an earlier delivery.
    atspi_accessible_clear_cache(application.get());

    // A walk costs a call or more for every element of the tree (GTK 4: over 100 ms), so the
    // element it found last is asked first: while it keeps the focus, it is the answer.
    Ref<AtspiAccessible> element;
    if (walkedElement_ != nullptr && deadline.arm()) {
        atspi_accessible_clear_cache(walkedElement_);
        Ref<AtspiStateSet> states(atspi_accessible_get_state_set(walkedElement_));
        if (hasState(states.get(), ATSPI_STATE_FOCUSED)) {
            element.reset(static_cast<AtspiAccessible*>(g_object_ref(walkedElement_)));
        }
    }
    bool walked = false;
    if (!element) {
        element = focusedIn(application.get(), deadline, walked);
    }
    if (walked) {
        rememberWalked(element.get());
    }
    if (!element && isChromium(application.get(), deadline)) {
        // Woken once per application; until a focused element was seen there, nothing found
        // means its tree is still closed.
        if (!chromiumWoken_) {
            chromiumWoken_ = true;
            element = wakeChromium(application.get(), deadline);
        }
        if (!element && !focusSeen_) {
            return {Outcome::closed, {}};
        }
    }
    if (!element || !deadline.arm()) {
        return {};
    }
    focusSeen_ = true;

    // Described anew at every look, the last one right before the keys: the same element may
    // have become a password field since the click.
    const std::string identity = identityOf(element.get());
    GError* error = nullptr;
    const AtspiRole role = atspi_accessible_get_role(element.get(), &error);
    if (error != nullptr) {
        g_error_free(error);
        return {};
    }
    if (!deadline.arm()) {
        return {};
    }
    Ref<AtspiStateSet> states(atspi_accessible_get_state_set(element.get()));
    const auto secure = role == ATSPI_ROLE_PASSWORD_TEXT
                            ? std::optional<bool>(true)
                            : disguisedPassword(element.get(), role, states.get(), deadline);
    if (!secure) {
        return {};  // not known to be safe: the field counts as one that cannot be checked
    }
    FocusedField field;
    field.identity = identity;
    field.secure = *secure;
    field.role = role == ATSPI_ROLE_TERMINAL ? FieldRole::terminal
                                             : roleOf(element.get(), role, states.get(), deadline);
    // VTE terminals, Konsole: Control+V would reach the shell as a literal ^V.
    if (field.role == FieldRole::terminal) field.shortcut = PasteShortcut::controlShiftV;
    // An element found by its focused state has states; none at all means the query failed.
    GArray* stateList = states ? atspi_state_set_get_states(states.get()) : nullptr;
    const bool statesKnown = stateList != nullptr && stateList->len > 0;
    if (stateList != nullptr) {
        g_array_free(stateList, TRUE);
    }
    if (statesKnown) {
        // GTK 4 has no ENABLED state; a disabled element of any toolkit lacks both.
        field.enabled = hasState(states.get(), ATSPI_STATE_ENABLED) ||
                        hasState(states.get(), ATSPI_STATE_SENSITIVE);
    }
    if (hasState(states.get(), ATSPI_STATE_EDITABLE) && deadline.arm()) {
        Ref<AtspiEditableText> editable(atspi_accessible_get_editable_text_iface(element.get()));
        field.selectedTextSettable = editable != nullptr;
    }
    return {Outcome::found, std::move(field)};
}

}  // namespace zuna::platform

namespace zuna::platform {

std::optional<DesktopApplication> AtspiAccess::activeApplication(std::chrono::milliseconds budget) {
    if (!initialized_) {
        return std::nullopt;
    }
    const Deadline deadline(budget);
    Ref<AtspiAccessible> desktop(atspi_get_desktop(0));
    if (!desktop || !deadline.arm()) {
        return std::nullopt;
    }
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop.get(), &error);
    if (error != nullptr) {
        g_error_free(error);
        return std::nullopt;
    }
    const auto self = static_cast<guint>(::getpid());
    for (gint i = 0; i < count && deadline.arm(); ++i) {
        Ref<AtspiAccessible> candidate(
            atspi_accessible_get_child_at_index(desktop.get(), i, &error));
        if (error != nullptr || !candidate) {
            g_clear_error(&error);
            continue;
        }
        // Answered by the bus daemon: a frozen application costs nothing here.
        const guint processId = atspi_accessible_get_process_id(candidate.get(), &error);
        if (error != nullptr || processId == self || processId == 0) {
            g_clear_error(&error);
            continue;
        }
        // A frozen application may spend only a part of the budget, so that the one in front is
        // still found behind it.
        const Deadline share(std::min(deadline.end(), Clock::now() + budget / 4));
        atspi_accessible_clear_cache(candidate.get());
        if (!share.arm()) continue;
        const gint frames = atspi_accessible_get_child_count(candidate.get(), &error);
        if (error != nullptr) {
            g_clear_error(&error);
            continue;
        }
        for (gint j = 0; j < frames && share.arm(); ++j) {
            Ref<AtspiAccessible> frame(
                atspi_accessible_get_child_at_index(candidate.get(), j, &error));
            if (error != nullptr || !frame || !share.arm()) {
                g_clear_error(&error);
                break;
            }
            Ref<AtspiStateSet> states(atspi_accessible_get_state_set(frame.get()));
            if (!hasState(states.get(), ATSPI_STATE_ACTIVE) || !share.arm()) {
                continue;
            }
            DesktopApplication application;
            application.processId = static_cast<int>(processId);
            if (gchar* name = atspi_accessible_get_name(frame.get(), nullptr)) {
                application.name = name;
                g_free(name);
            }
            // The lookup of the focused field that follows starts from here.
            if (cachedApplication_ != nullptr) {
                g_object_unref(cachedApplication_);
            }
            cachedApplication_ = static_cast<AtspiAccessible*>(g_object_ref(candidate.get()));
            cachedProcessId_ = application.processId;
            return application;
        }
    }
    return std::nullopt;
}

}  // namespace zuna::platform

namespace zuna::platform {

FocusedField AtspiAccess::closedField(std::string identity) {
    FocusedField field;
    field.identity = std::move(identity);
    field.checkable = false;
    field.hint = L(
        "Aplikacija (Chromium, Electron) ne pokaže svojih polj: zaženi jo z --force-renderer-accessibility ali v možnostih vključi lepljenje v nepreverjena polja.");
    return field;
}

}  // namespace zuna::platform
