#include "platform/atspi/FocusLookup.h"

#include <algorithm>
#include <cctype>
#include <thread>
#include <vector>

#include "platform/atspi/ActiveFrame.h"
#include "platform/atspi/AtspiSupport.h"
#include "platform/atspi/FieldDescription.h"
#include "platform/atspi/InnermostFocus.h"

namespace zuna::platform {
namespace {

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

// GTK 4 marks shown elements VISIBLE only, never SHOWING.
bool shown(AtspiStateSet* states) {
    return hasState(states, ATSPI_STATE_SHOWING) || hasState(states, ATSPI_STATE_VISIBLE);
}

// Calls `visit` with each child of `element` in turn, while time is left, until it returns true.
// False when a call failed.
template <typename Visit>
bool forEachChild(AtspiAccessible* element, const Deadline& deadline, Visit visit) {
    if (!deadline.arm()) return false;
    GError* error = nullptr;
    const gint count = atspi_accessible_get_child_count(element, &error);
    for (gint i = 0; error == nullptr && i < count && deadline.arm(); ++i) {
        Ref<AtspiAccessible> child(atspi_accessible_get_child_at_index(element, i, &error));
        if (error == nullptr && child && visit(std::move(child))) break;
    }
    const bool failed = error != nullptr;
    g_clear_error(&error);
    return !failed;
}

bool takesText(AtspiAccessible* element) {
    Ref<AtspiText> text(atspi_accessible_get_text_iface(element));
    return text != nullptr;
}

// The parts of a window that hold others, and that Qt 5 marks focused along with the field.
bool isContainer(AtspiAccessible* element) {
    switch (atspi_accessible_get_role(element, nullptr)) {
        case ATSPI_ROLE_FILLER:
        case ATSPI_ROLE_PANEL:
        case ATSPI_ROLE_PAGE_TAB:
        case ATSPI_ROLE_PAGE_TAB_LIST:
        case ATSPI_ROLE_SPLIT_PANE:
        case ATSPI_ROLE_LAYERED_PANE:
        case ATSPI_ROLE_SCROLL_PANE:
        case ATSPI_ROLE_VIEWPORT:
            return true;
        default:
            return false;
    }
}

// Depth first through shown elements only, for applications without Collection (Qt, GTK 4).
// With `pastContainers`, a focused container counts only where it takes text, and the walk goes
// on below the others.
Ref<AtspiAccessible> focusedByWalk(AtspiAccessible* element, const Deadline& deadline, int& visits,
                                   bool pastContainers = false) {
    if (++visits > 5000 || !deadline.arm()) {
        return nullptr;
    }
    Ref<AtspiStateSet> states(atspi_accessible_get_state_set(element));
    if (hasState(states.get(), ATSPI_STATE_FOCUSED) &&
        (!pastContainers || takesText(element) || !isContainer(element))) {
        return refTo(element);
    }
    if (!shown(states.get())) {
        return nullptr;
    }
    Ref<AtspiAccessible> found;
    forEachChild(element, deadline, [&](Ref<AtspiAccessible> child) {
        found = focusedByWalk(child.get(), deadline, visits, pastContainers);
        return found != nullptr;
    });
    return found;
}

// The focused element through the application's windows, the active ones first: an inactive
// window may keep a focused element of its own.
Ref<AtspiAccessible> focusedInWindows(AtspiAccessible* application, const Deadline& deadline,
                                      bool pastContainers = false) {
    std::vector<Ref<AtspiAccessible>> windows;
    std::size_t activeCount = 0;
    const bool listed = forEachChild(application, deadline, [&](Ref<AtspiAccessible> window) {
        if (!deadline.arm()) return false;
        Ref<AtspiStateSet> states(atspi_accessible_get_state_set(window.get()));
        if (hasState(states.get(), ATSPI_STATE_ACTIVE)) {
            windows.insert(windows.begin() + static_cast<std::ptrdiff_t>(activeCount++),
                           std::move(window));
        } else {
            windows.push_back(std::move(window));
        }
        return false;
    });
    if (!listed) {
        return nullptr;
    }
    for (const auto& window : windows) {
        bool unsupported = pastContainers;
        Ref<AtspiAccessible> element =
            pastContainers ? nullptr : focusedByCollection(window.get(), deadline, unsupported);
        if (!element && unsupported) {
            int visits = 0;
            element = focusedByWalk(window.get(), deadline, visits, pastContainers);
        }
        if (element || !deadline.arm()) {
            return element;
        }
    }
    return nullptr;
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

// The accessibility tree as innermostFocused walks it: within half of what is left of the
// lookup's time, so that the element found can still be described, and a bounded number of
// elements.
class AtspiTree {
  public:
    explicit AtspiTree(const Deadline& deadline)
        : deadline_(Clock::now() + (deadline.end() - Clock::now()) / 2) {}

    bool goOn() { return ++visits_ <= kMaxVisits && deadline_.arm(); }
    bool takesText(const Ref<AtspiAccessible>& element) {
        return platform::takesText(element.get());
    }
    bool focused(const Ref<AtspiAccessible>& element) {
        return hasState(states(element).get(), ATSPI_STATE_FOCUSED);
    }
    bool shown(const Ref<AtspiAccessible>& element) {
        return platform::shown(states(element).get());
    }
    std::vector<Ref<AtspiAccessible>> children(const Ref<AtspiAccessible>& element) {
        std::vector<Ref<AtspiAccessible>> children;
        forEachChild(element.get(), deadline_, [&](Ref<AtspiAccessible> child) {
            children.push_back(std::move(child));
            return false;
        });
        return children;
    }

  private:
    static constexpr int kMaxVisits = 400;
    static Ref<AtspiStateSet> states(const Ref<AtspiAccessible>& element) {
        return Ref<AtspiStateSet>(atspi_accessible_get_state_set(element.get()));
    }

    Deadline deadline_;
    int visits_ = 0;
};

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
    constexpr auto kPause = std::chrono::milliseconds(15);
    while (Clock::now() + kPause < deadline.end()) {
        std::this_thread::sleep_for(kPause);
        atspi_accessible_clear_cache(application);
        bool walked = false;
        if (auto element = focusedIn(application, deadline, walked)) {
            return element;
        }
    }
    return nullptr;
}

// The name or toolkit of an application, lower case; empty when it does not say in time. libatspi
// keeps both with the application, so each is asked once per application.
std::string lowerCase(gchar* (*ask)(AtspiAccessible*, GError**), AtspiAccessible* application,
                      const Deadline& deadline) {
    if (!deadline.arm()) return {};
    GError* error = nullptr;
    gchar* text = ask(application, &error);
    g_clear_error(&error);
    std::string lower = text != nullptr ? text : "";
    g_free(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool takesText(const FocusedField& field) {
    return field.role != FieldRole::other || field.selectedTextSettable;
}

// Why a focused element that takes no text still hides a field: a Qt WebEngine page whose
// document shows nothing, or a plain panel in an application that draws its editors itself.
std::optional<Unseen> hiddenField(AtspiAccessible* element, const std::string& name,
                                  const std::string& toolkit, const Deadline& deadline) {
    if (!deadline.arm()) return std::nullopt;
    const AtspiRole role = atspi_accessible_get_role(element, nullptr);
    if (role == ATSPI_ROLE_DOCUMENT_WEB && toolkit == "qt" && deadline.arm() &&
        atspi_accessible_get_child_count(element, nullptr) == 0)
        return Unseen::qtWebEngine;
    const bool drawsItself = name == "emacs" || toolkit.find("java") != std::string::npos ||
                             toolkit.find("j2se") != std::string::npos;
    const bool plain = role == ATSPI_ROLE_PANEL || role == ATSPI_ROLE_FILLER ||
                       role == ATSPI_ROLE_CANVAS || role == ATSPI_ROLE_SCROLL_PANE ||
                       role == ATSPI_ROLE_VIEWPORT || role == ATSPI_ROLE_UNKNOWN;
    if (drawsItself && plain) return Unseen::ownDrawing;
    return std::nullopt;
}

}  // namespace

struct FocusLookup::Cache {
    // The application's root element, found among the desktop's children by process id.
    // `searchedAll` tells whether every application on the bus was asked.
    Ref<AtspiAccessible> find(int wanted, const Deadline& deadline, bool& searchedAll);
    // The application's focused element, the one a walk found last first.
    Ref<AtspiAccessible> focusedElement(AtspiAccessible* application, const Deadline& deadline);

    // The last application found, kept while its connection still belongs to that process.
    Ref<AtspiAccessible> application;
    int processId = 0;
    // Of that application: asked to open its tree, and a focused element found there since.
    bool chromiumWoken = false;
    Clock::time_point wokenAt;
    bool focusSeen = false;
    // Its name and toolkit, lower case, kept once the toolkit answered.
    struct Names {
        std::string name;
        std::string toolkit;
    };
    std::optional<Names> names;
    Names namesOf(AtspiAccessible* application, const Deadline& deadline);
    // Forgets what was learnt of the last application.
    void forget();
    // The element a walk through that application's tree found last.
    Ref<AtspiAccessible> walked;
};

void FocusLookup::Cache::forget() {
    chromiumWoken = false;
    focusSeen = false;
    names.reset();
    walked.reset();
}

FocusLookup::Cache::Names FocusLookup::Cache::namesOf(AtspiAccessible* application,
                                                      const Deadline& deadline) {
    if (names) return *names;
    Names asked{lowerCase(atspi_accessible_get_name, application, deadline),
                lowerCase(atspi_accessible_get_toolkit_name, application, deadline)};
    // An answer that did not come in time is asked again at the next lookup.
    if (!asked.toolkit.empty()) names = asked;
    return asked;
}

// The process id of an application comes from the bus daemon, so a frozen application does not
// hold this up.
Ref<AtspiAccessible> FocusLookup::Cache::find(int wanted, const Deadline& deadline,
                                              bool& searchedAll) {
    searchedAll = false;
    GError* error = nullptr;
    if (application && processId == wanted && deadline.arm()) {
        const guint owner = atspi_accessible_get_process_id(application.get(), &error);
        if (error == nullptr && owner == static_cast<guint>(wanted)) {
            return refTo(application.get());
        }
        g_clear_error(&error);
    }
    application.reset();
    forget();
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
                static_cast<guint>(wanted) &&
            error == nullptr) {
            application = refTo(candidate.get());
            processId = wanted;
            return candidate;
        }
        g_clear_error(&error);
    }
    searchedAll = asked == count;
    return nullptr;
}

// A walk costs a call or more for every element of the tree (GTK 4: over 100 ms), so the
// element it found last is asked first: while it keeps the focus, it is the answer.
Ref<AtspiAccessible> FocusLookup::Cache::focusedElement(AtspiAccessible* application,
                                                        const Deadline& deadline) {
    Ref<AtspiAccessible> element;
    if (walked && deadline.arm()) {
        atspi_accessible_clear_cache(walked.get());
        Ref<AtspiStateSet> states(atspi_accessible_get_state_set(walked.get()));
        if (hasState(states.get(), ATSPI_STATE_FOCUSED)) element = refTo(walked.get());
    }
    bool walkedNow = false;
    if (!element) element = focusedIn(application, deadline, walkedNow);
    // Also from the element kept: a container focused before its field was built holds on to the
    // focus once the field has it too.
    bool container = false;
    if (element) {
        AtspiTree tree(deadline);
        element = innermostFocused(tree, std::move(element));
        // Qt 5 marks a page tab focused beside the page whose field has the focus (Falkon): a
        // focused container with nothing focused below sends the walk on past such containers.
        container = !takesText(element.get()) && isContainer(element.get());
        if (container && deadline.arm()) {
            if (auto field = focusedInWindows(application, deadline, true)) {
                element = std::move(field);
                container = false;
            }
        }
    }
    // A container is not kept: one focused while the window was being built (KWrite) may keep
    // the focus beside the field that gets it later, and the next walk must find that field.
    if (walkedNow || walked) {
        walked = container ? nullptr : refTo(element.get());
    }
    return element;
}

FocusLookup::FocusLookup() : initialized_(initializeAtspi()), cache_(std::make_unique<Cache>()) {}

FocusLookup::~FocusLookup() = default;

FocusLookup::Lookup FocusLookup::focusedField(int processId, std::chrono::microseconds budget) {
    using Outcome = Lookup::Outcome;
    if (!initialized_ || processId <= 0) {
        return {};
    }
    const Deadline deadline(budget);

    bool searchedAll = false;
    Ref<AtspiAccessible> application = cache_->find(processId, deadline, searchedAll);
    if (!application) {
        return {searchedAll ? Outcome::absent : Outcome::failed, {}};
    }
    // A long-running process would otherwise read states cached at an earlier delivery.
    atspi_accessible_clear_cache(application.get());

    Ref<AtspiAccessible> element = cache_->focusedElement(application.get(), deadline);
    if (!element && cache_->namesOf(application.get(), deadline).toolkit == "chromium") {
        // Woken once per application; until a focused element was seen there, nothing found
        // means its tree is still closed.
        if (!cache_->chromiumWoken) {
            cache_->chromiumWoken = true;
            cache_->wokenAt = Clock::now();
            element = wakeChromium(application.get(), deadline);
        }
        if (!element && !cache_->focusSeen) {
            return {Outcome::closed, {}};
        }
    }
    if (!element || !deadline.arm()) {
        return {};
    }
    cache_->focusSeen = true;

    // Described anew at every look, the last one right before the keys: the same element may
    // have become a password field since the click.
    auto field = describeField(element.get(), deadline);
    // A tree woken a moment ago is still being built: its focus may rest on the page before it
    // reaches the field. Looked at again while half the time is left.
    while (field && !takesText(*field) && cache_->chromiumWoken &&
           Clock::now() - cache_->wokenAt < std::chrono::seconds(2) &&
           deadline.end() - Clock::now() > budget / 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        atspi_accessible_clear_cache(application.get());
        cache_->walked.reset();
        if (auto again = cache_->focusedElement(application.get(), deadline)) {
            element = std::move(again);
            field = describeField(element.get(), deadline);
        }
    }
    if (!field) {
        return {};
    }
    const Cache::Names names = cache_->namesOf(application.get(), deadline);
    if (!takesText(*field)) {
        if (auto why = hiddenField(element.get(), names.name, names.toolkit, deadline))
            field = unseenField(field->identity, *why);
    }
    field->application = names.name;
    return {Outcome::found, std::move(*field)};
}

std::optional<DesktopApplication> FocusLookup::activeApplication(std::chrono::milliseconds budget) {
    if (!initialized_) {
        return std::nullopt;
    }
    auto frame = findActiveFrame(budget);
    if (!frame) {
        return std::nullopt;
    }
    // The lookup of the focused field that follows starts from here. What was learnt of another
    // application (its walked element, its woken tree) must not answer for this one.
    if (cache_->processId != frame->application.processId) {
        cache_->forget();
    }
    cache_->application = std::move(frame->accessible);
    cache_->processId = frame->application.processId;
    return std::move(frame->application);
}

}  // namespace zuna::platform
