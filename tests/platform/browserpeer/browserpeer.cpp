// A stand-in browser for the blocker's tests: GTK windows whose accessible objects
// carry the markers a real browser's do (the application's name, an attribute on the
// window's frame, an address entry with its attribute and role).
//
//   browserpeer APPLICATION BAR_MARKER BAR_ROLE [FRAME_MARKER TITLE ADDRESS]...
//
// A marker is "name=value" ("-" for none); a role is an ATK role name ("entry",
// "combo box"). Each window has the address entry and, below it, a second entry
// standing for the page: a web document telling its address as "DocURL", as one
// browser's do. Enter in window N's address prints "activate N TEXT", opens TEXT as the
// page and moves the focus to the page, as a browser does when it opens the address.
// On standard input it obeys:
//   "set N TEXT"    the address of window N;
//   "stall N"       the next Enter in window N's address leaves its page as it was, as a
//                   browser that took the key and did not open the address;
//   "stubborn N"    window N's address puts itself back whenever it is changed otherwise;
//   "distract N M"  the next change to window N's address brings window M to the front,
//                   as a guest switching windows does;
//   "lag N MS"      window N's bar gets each key MS milliseconds late, as a busy
//                   browser's does, while it answers every read at once;
//   "type N TEXT"   the guest clicks into window N's address, types TEXT over it one key
//                   at a time, as a person does, and presses Enter;
//   "retitle N MS TEXT"
//                   window N's own title becomes TEXT at once and its accessible name MS
//                   milliseconds later, as a loading page's title reaches the two apart;
//   "close N" and "quit".
// It prints "ready" once its windows are up and "closed N" once window N is gone.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// "key=value" of an accessible object, kept on its widget.
constexpr const char* kMarker = "browserpeer-marker";
// The address of the page a page widget shows.
constexpr const char* kPageAddress = "browserpeer-page";

AtkAttributeSet* AddMarker(AtkAttributeSet* set, GtkWidget* widget) {
    const char* marker =
        widget != nullptr ? static_cast<const char*>(g_object_get_data(G_OBJECT(widget), kMarker))
                          : nullptr;
    if (marker == nullptr || *marker == '\0') return set;
    const char* eq = std::strchr(marker, '=');
    if (eq == nullptr) return set;
    auto* attribute = static_cast<AtkAttribute*>(g_malloc(sizeof(AtkAttribute)));
    attribute->name = g_strndup(marker, static_cast<gsize>(eq - marker));
    attribute->value = g_strdup(eq + 1);
    return g_slist_prepend(set, attribute);
}

}  // namespace

// The accessible classes: GTK's own, with the marker added to their attributes. A
// widget chooses its accessible class through its own class, hence a widget subclass
// beside each accessible one: PeerBar (an entry) and PeerFrame (a window).
#define PEER_CLASSES(Type, type, Gtk, GTK_PARENT, GTK_PARENT_ACCESSIBLE)              \
    typedef struct {                                                                  \
        Gtk##Accessible parent;                                                       \
    } Type##Accessible;                                                               \
    typedef struct {                                                                  \
        Gtk##AccessibleClass parent;                                                  \
    } Type##AccessibleClass;                                                          \
    G_DEFINE_TYPE(Type##Accessible, type##_accessible, GTK_PARENT_ACCESSIBLE)         \
    static AtkAttributeSet* type##_get_attributes(AtkObject* object) {                \
        AtkAttributeSet* set =                                                        \
            ATK_OBJECT_CLASS(type##_accessible_parent_class)->get_attributes(object); \
        return AddMarker(set, gtk_accessible_get_widget(GTK_ACCESSIBLE(object)));     \
    }                                                                                 \
    static void type##_accessible_class_init(Type##AccessibleClass* klass) {          \
        ATK_OBJECT_CLASS(klass)->get_attributes = type##_get_attributes;              \
    }                                                                                 \
    static void type##_accessible_init(Type##Accessible*) {}                          \
    typedef struct {                                                                  \
        Gtk parent;                                                                   \
    } Type;                                                                           \
    typedef struct {                                                                  \
        Gtk##Class parent;                                                            \
    } Type##Class;                                                                    \
    G_DEFINE_TYPE(Type, type, GTK_PARENT)                                             \
    static void type##_class_init(Type##Class* klass) {                               \
        gtk_widget_class_set_accessible_type(GTK_WIDGET_CLASS(klass),                 \
                                             type##_accessible_get_type());           \
    }                                                                                 \
    static void type##_init(Type*) {}

extern "C" {
PEER_CLASSES(PeerBar, peer_bar, GtkEntry, GTK_TYPE_ENTRY, GTK_TYPE_ENTRY_ACCESSIBLE)
PEER_CLASSES(PeerFrame, peer_frame, GtkWindow, GTK_TYPE_WINDOW, GTK_TYPE_WINDOW_ACCESSIBLE)
PEER_CLASSES(PeerPage, peer_page, GtkEntry, GTK_TYPE_ENTRY, GTK_TYPE_ENTRY_ACCESSIBLE)
}  // extern "C"

namespace {

// The page's accessible is a web document, which tells the address it shows.
const gchar* PageAttribute(AtkDocument* document, const gchar* name) {
    if (std::strcmp(name, "DocURL") != 0) return nullptr;
    GtkWidget* page = gtk_accessible_get_widget(GTK_ACCESSIBLE(document));
    return page != nullptr
               ? static_cast<const gchar*>(g_object_get_data(G_OBJECT(page), kPageAddress))
               : nullptr;
}

void InitDocument(gpointer iface, gpointer) {
    static_cast<AtkDocumentIface*>(iface)->get_document_attribute_value = PageAttribute;
}

void ShowPage(GtkWidget* page, const char* address) {
    g_object_set_data_full(G_OBJECT(page), kPageAddress, g_strdup(address), g_free);
}

struct Window {
    GtkWidget* frame;
    GtkWidget* bar;
    GtkWidget* page;
    bool stall = false;  // the next Enter opens nothing
    bool stubborn = false;
    std::string address;  // what a stubborn bar puts back
    int distractTo = -1;  // the window the next change brings to the front
    guint lag = 0;        // ms each key waits before the bar gets it
};
std::vector<Window> g_windows;

void OnChanged(GtkEditable* bar, gpointer index) {
    Window& window = g_windows[static_cast<std::size_t>(GPOINTER_TO_INT(index))];
    if (window.distractTo >= 0) {
        GtkWidget* other = g_windows[static_cast<std::size_t>(window.distractTo)].frame;
        window.distractTo = -1;
        gtk_window_present_with_time(GTK_WINDOW(other), GDK_CURRENT_TIME);
        // The window manager moves the focus when it gets round to the request, which on
        // a busy machine can be after the blocker has pressed Return; a guest's click
        // moves it at once. So the focus is moved here as well, and the server has done
        // it before this window handles its next key.
        GdkWindow* target = gtk_widget_get_window(other);
        GdkDisplay* display = gdk_window_get_display(target);
        gdk_x11_display_error_trap_push(display);
        XSetInputFocus(GDK_DISPLAY_XDISPLAY(display), GDK_WINDOW_XID(target), RevertToParent,
                       CurrentTime);
        XSync(GDK_DISPLAY_XDISPLAY(display), False);
        gdk_x11_display_error_trap_pop_ignored(display);
    }
    if (!window.stubborn) return;
    const char* text = gtk_entry_get_text(GTK_ENTRY(bar));
    if (window.address != text) gtk_entry_set_text(GTK_ENTRY(bar), window.address.c_str());
}

// A key held back by a lagging bar: given to the bar when its time is up, in order.
struct LateKey {
    GdkEvent* event;
};

gboolean DeliverLateKey(gpointer data) {
    auto* late = static_cast<LateKey*>(data);
    gtk_main_do_event(late->event);
    gdk_event_free(late->event);
    delete late;
    return G_SOURCE_REMOVE;
}

gboolean OnKey(GtkWidget*, GdkEvent* event, gpointer index) {
    const Window& window = g_windows[static_cast<std::size_t>(GPOINTER_TO_INT(index))];
    // A key given back late passes, marked by the flag no real key carries.
    if (window.lag == 0 || event->key.send_event == 2) return FALSE;
    GdkEvent* copy = gdk_event_copy(event);
    copy->key.send_event = 2;
    g_timeout_add(window.lag, DeliverLateKey, new LateKey{copy});
    return TRUE;
}

void OnActivate(GtkEntry* entry, gpointer index) {
    const int n = GPOINTER_TO_INT(index);
    std::printf("activate %d %s\n", n, gtk_entry_get_text(entry));
    std::fflush(stdout);
    Window& window = g_windows[static_cast<std::size_t>(n)];
    if (!std::exchange(window.stall, false)) ShowPage(window.page, gtk_entry_get_text(entry));
    gtk_widget_grab_focus(window.page);
}

// A guest typing into an address: the characters left to type, one per tick.
struct Typing {
    int index;
    std::string rest;
};
// A person's pace: well apart, but closer than a pause for thought.
constexpr guint kKeyInterval = 80;  // ms

gboolean TypeNext(gpointer data) {
    auto* typing = static_cast<Typing*>(data);
    Window& window = g_windows[static_cast<std::size_t>(typing->index)];
    if (window.frame == nullptr) {
        delete typing;
        return G_SOURCE_REMOVE;
    }
    if (typing->rest.empty()) {
        OnActivate(GTK_ENTRY(window.bar), GINT_TO_POINTER(typing->index));
        delete typing;
        return G_SOURCE_REMOVE;
    }
    // Where the caret is, as a key would: after whatever else was typed meanwhile.
    gint position = gtk_editable_get_position(GTK_EDITABLE(window.bar));
    gtk_editable_insert_text(GTK_EDITABLE(window.bar), typing->rest.c_str(), 1, &position);
    gtk_editable_set_position(GTK_EDITABLE(window.bar), position);
    typing->rest.erase(0, 1);
    return G_SOURCE_CONTINUE;
}

Window* At(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= g_windows.size()) return nullptr;
    Window& window = g_windows[static_cast<std::size_t>(index)];
    return window.frame != nullptr ? &window : nullptr;
}

struct Retitled {
    int index;
    std::string title;
};

gboolean NameAfterTitle(gpointer data) {
    const std::unique_ptr<Retitled> retitled(static_cast<Retitled*>(data));
    if (Window* window = At(retitled->index))
        gtk_window_set_title(GTK_WINDOW(window->frame), retitled->title.c_str());
    return G_SOURCE_REMOVE;
}

// A command's last argument: the rest of its line.
std::string Argument(const char* rest) {
    std::string text(rest);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

gboolean OnCommand(GIOChannel* channel, GIOCondition, gpointer) {
    gchar* line = nullptr;
    if (g_io_channel_read_line(channel, &line, nullptr, nullptr, nullptr) != G_IO_STATUS_NORMAL) {
        gtk_main_quit();
        return FALSE;
    }
    int index = -1;
    int consumed = 0;
    if (std::sscanf(line, "set %d %n", &index, &consumed) == 1 && At(index) != nullptr) {
        const std::string text = Argument(line + consumed);
        At(index)->address = text;
        gtk_entry_set_text(GTK_ENTRY(At(index)->bar), text.c_str());
    } else if (int other = -1; std::sscanf(line, "distract %d %d", &index, &other) == 2 &&
                               At(index) != nullptr && At(other) != nullptr) {
        At(index)->distractTo = other;
    } else if (int lag = 0; std::sscanf(line, "lag %d %d", &index, &lag) == 2 &&
                            At(index) != nullptr && lag >= 0) {
        At(index)->lag = static_cast<guint>(lag);
    } else if (std::sscanf(line, "type %d %n", &index, &consumed) == 1 && At(index) != nullptr) {
        const std::string text = Argument(line + consumed);
        gtk_window_present_with_time(GTK_WINDOW(At(index)->frame), GDK_CURRENT_TIME);
        gtk_widget_grab_focus(At(index)->bar);
        gtk_editable_delete_text(GTK_EDITABLE(At(index)->bar), 0, -1);
        g_timeout_add(kKeyInterval, TypeNext, new Typing{index, text});
    } else if (int late = 0; std::sscanf(line, "retitle %d %d %n", &index, &late, &consumed) == 2 &&
                             At(index) != nullptr && late >= 0) {
        // The window's own title alone: the accessible name follows the GtkWindow's.
        const std::string title = Argument(line + consumed);
        gdk_window_set_title(gtk_widget_get_window(At(index)->frame), title.c_str());
        g_timeout_add(static_cast<guint>(late), NameAfterTitle, new Retitled{index, title});
    } else if (std::sscanf(line, "stall %d", &index) == 1 && At(index) != nullptr) {
        At(index)->stall = true;
    } else if (std::sscanf(line, "stubborn %d", &index) == 1 && At(index) != nullptr) {
        At(index)->stubborn = true;
        At(index)->address = gtk_entry_get_text(GTK_ENTRY(At(index)->bar));
    } else if (std::sscanf(line, "close %d", &index) == 1 && At(index) != nullptr) {
        gtk_widget_destroy(At(index)->frame);
        g_windows[static_cast<std::size_t>(index)].frame = nullptr;
        std::printf("closed %d\n", index);
        std::fflush(stdout);
    } else if (std::strncmp(line, "quit", 4) == 0) {
        gtk_main_quit();
    }
    g_free(line);
    return TRUE;
}

// The marker argument: "-" stands for none.
const char* Marker(const char* argument) {
    return std::strcmp(argument, "-") == 0 ? "" : argument;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || (argc - 4) % 3 != 0) {
        std::fprintf(stderr,
                     "usage: browserpeer APPLICATION BAR_MARKER BAR_ROLE "
                     "[FRAME_MARKER TITLE ADDRESS]...\n");
        return 2;
    }
    // The application's accessible name is the program's name.
    g_set_prgname(argv[1]);
    gtk_init(&argc, &argv);
    const char* barMarker = Marker(argv[2]);
    const AtkRole barRole = atk_role_for_name(argv[3]);
    static const GInterfaceInfo document{InitDocument, nullptr, nullptr};
    g_type_add_interface_static(peer_page_accessible_get_type(), ATK_TYPE_DOCUMENT, &document);
    for (int i = 4; i + 2 < argc; i += 3) {
        GtkWidget* frame = GTK_WIDGET(g_object_new(peer_frame_get_type(), nullptr));
        gtk_window_set_title(GTK_WINDOW(frame), argv[i + 1]);
        gtk_window_set_default_size(GTK_WINDOW(frame), 400, 80);
        g_object_set_data_full(G_OBJECT(frame), kMarker, g_strdup(Marker(argv[i])), g_free);
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
        GtkWidget* bar = GTK_WIDGET(g_object_new(peer_bar_get_type(), nullptr));
        g_object_set_data_full(G_OBJECT(bar), kMarker, g_strdup(barMarker), g_free);
        gtk_entry_set_text(GTK_ENTRY(bar), argv[i + 2]);
        if (barRole != ATK_ROLE_INVALID)
            atk_object_set_role(gtk_widget_get_accessible(bar), barRole);
        const int index = static_cast<int>(g_windows.size());
        g_signal_connect(bar, "activate", G_CALLBACK(OnActivate), GINT_TO_POINTER(index));
        g_signal_connect(bar, "changed", G_CALLBACK(OnChanged), GINT_TO_POINTER(index));
        g_signal_connect(bar, "key-press-event", G_CALLBACK(OnKey), GINT_TO_POINTER(index));
        g_signal_connect(bar, "key-release-event", G_CALLBACK(OnKey), GINT_TO_POINTER(index));
        GtkWidget* page = GTK_WIDGET(g_object_new(peer_page_get_type(), nullptr));
        ShowPage(page, argv[i + 2]);
        gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), page, FALSE, FALSE, 0);
        gtk_container_add(GTK_CONTAINER(frame), box);
        gtk_widget_show_all(frame);
        // Set once shown: showing sets an entry's role again.
        atk_object_set_role(gtk_widget_get_accessible(page), ATK_ROLE_DOCUMENT_WEB);
        g_windows.push_back({frame, bar, page, false, false, argv[i + 2], -1, 0});
    }
    GIOChannel* commands = g_io_channel_unix_new(STDIN_FILENO);
    g_io_add_watch(commands, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP), OnCommand, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    gtk_main();
    g_io_channel_unref(commands);
    return 0;
}
