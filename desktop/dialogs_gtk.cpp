// The desktop's dialogs through GTK 3, in-process and on the program's own thread. GTK is set up
// lazily with gtk_init_check, which (unlike gtk_init) reports a missing display instead of ending
// the process.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <memory>

#include "desktop/dialogs.h"

namespace {

bool DesktopAvailable() {
    static const bool available = gtk_init_check(nullptr, nullptr);
    return available;
}

// Lets a destroyed dialog actually leave the screen before the program goes on.
void FinishPendingEvents() {
    while (gtk_events_pending()) gtk_main_iteration();
}

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
using ForeignWindow = std::unique_ptr<GdkWindow, GObjectUnref>;

// Keeps `dialog` above the program's own window (an X11 window id, 0 for none).
ForeignWindow StayAbove(GtkWidget* dialog, uint64_t owner) {
    if (owner == 0) return nullptr;
    gtk_widget_realize(dialog);
    GdkDisplay* display = gtk_widget_get_display(dialog);
    if (!GDK_IS_X11_DISPLAY(display)) return nullptr;
    ForeignWindow window(gdk_x11_window_foreign_new_for_display(display, owner));
    if (window) gdk_window_set_transient_for(gtk_widget_get_window(dialog), window.get());
    return window;
}

std::string BoxText(std::string_view text) {
    std::string utf8 = Windows1252ToUtf8(text);
    for (size_t at = utf8.find("\r\n"); at != std::string::npos; at = utf8.find("\r\n", at))
        utf8.erase(at, 1);
    return utf8;
}

GtkMessageType MessageType(uint32_t flags) {
    switch (flags & IconMask) {
        case IconError:
            return GTK_MESSAGE_ERROR;
        case IconQuestion:
            return GTK_MESSAGE_QUESTION;
        case IconWarning:
            return GTK_MESSAGE_WARNING;
        case IconInformation:
            return GTK_MESSAGE_INFO;
        default:
            return GTK_MESSAGE_OTHER;
    }
}

const char* IconName(GtkMessageType type) {
    switch (type) {
        case GTK_MESSAGE_ERROR:
            return "dialog-error";
        case GTK_MESSAGE_QUESTION:
            return "dialog-question";
        case GTK_MESSAGE_WARNING:
            return "dialog-warning";
        default:
            return "dialog-information";
    }
}

// GTK 3.24 leaves a message dialog's icon out unless it is set explicitly.
void ShowIcon(GtkWidget* dialog, GtkMessageType type) {
    if (type == GTK_MESSAGE_OTHER) return;
    GtkWidget* image = gtk_image_new_from_icon_name(IconName(type), GTK_ICON_SIZE_DIALOG);
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), image);
    G_GNUC_END_IGNORE_DEPRECATIONS
    gtk_widget_show(image);
}

// Yes is the default button of a Yes/No box, as with the system's boxes, unless No is asked for.
void MakeTheDefault(GtkWidget* dialog, gint response) {
    GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), response);
    if (button) gtk_widget_grab_focus(button);
}

int32_t ShowMessageBox(uint64_t owner, std::string_view text, std::string_view caption,
                       uint32_t flags, std::string_view detail) {
    if (!DesktopAvailable()) return AnswerUnavailable;
    const bool yesNo = (flags & ButtonsMask) == BoxYesNo;
    const GtkMessageType type = MessageType(flags);
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type,
                                               yesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK, "%s",
                                               BoxText(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), Windows1252ToUtf8(caption).c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    if (!detail.empty())
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                                 std::string(detail).c_str());
    ShowIcon(dialog, type);
    if (yesNo) MakeTheDefault(dialog, flags & DefaultSecond ? GTK_RESPONSE_NO : GTK_RESPONSE_YES);
    const ForeignWindow ownerWindow = StayAbove(dialog, owner);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    FinishPendingEvents();
    if (!yesNo) return AnswerOk;
    return response == GTK_RESPONSE_YES ? AnswerYes : AnswerNo;
}

void AddFilters(GtkFileChooser* chooser, const FileChooserRequest& request) {
    int32_t index = 1;
    for (const FileFilter& filter : ParseFilterText(request.filter)) {
        GtkFileFilter* gtkFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(gtkFilter, Windows1252ToUtf8(filter.description).c_str());
        for (const std::string& pattern : filter.patterns)
            gtk_file_filter_add_pattern(gtkFilter, CaseInsensitivePattern(pattern).c_str());
        gtk_file_chooser_add_filter(chooser, gtkFilter);  // the chooser takes it over
        if (index++ == request.filterIndex) gtk_file_chooser_set_filter(chooser, gtkFilter);
    }
}

void StartIn(GtkFileChooser* chooser, const std::string& folder) {
    gchar* absolute = g_canonicalize_filename(folder.empty() ? "." : folder.c_str(), nullptr);
    gtk_file_chooser_set_current_folder(chooser, absolute);
    g_free(absolute);
}

FileChoice ChooseFile(uint64_t owner, const FileChooserRequest& request) {
    if (!DesktopAvailable()) return {ChoiceStatus::Unavailable, {}};
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        Windows1252ToUtf8(request.title).c_str(), nullptr,
        request.save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
        GTK_RESPONSE_CANCEL, request.save ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, request.save);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    AddFilters(chooser, request);
    StartIn(chooser, request.initialFolder);
    const ForeignWindow ownerWindow = StayAbove(dialog, owner);

    FileChoice choice;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (gchar* name = gtk_file_chooser_get_filename(chooser)) {
            choice.status = ChoiceStatus::Chosen;
            choice.path =
                request.save ? WithDefaultExtension(name, request.defaultExtension) : name;
            g_free(name);
        }
    }
    gtk_widget_destroy(dialog);
    FinishPendingEvents();
    return choice;
}

}  // namespace

Dialogs DesktopDialogs(uint64_t ownerWindow) {
    return {[ownerWindow](std::string_view text, std::string_view caption, uint32_t flags,
                          std::string_view detail) {
                return ShowMessageBox(ownerWindow, text, caption, flags, detail);
            },
            [ownerWindow](const FileChooserRequest& request) {
                return ChooseFile(ownerWindow, request);
            }};
}
