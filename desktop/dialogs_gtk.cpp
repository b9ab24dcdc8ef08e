// The desktop's dialogs through GTK 3, in-process and on the program's own thread. GTK is set up
// lazily with gtk_init_check, which (unlike gtk_init) reports a missing display instead of ending
// the process.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <memory>

#include "desktop/dialogs.h"

namespace {

// The first call decides. With an X11 window to stay above, GTK runs on X11 too: on a Wayland
// session (the window then through Xwayland) its boxes would otherwise be Wayland windows, which
// no X11 window can own.
bool DesktopAvailable(uint64_t owner) {
    static const bool available = [owner] {
        if (owner != 0) gdk_set_allowed_backends("x11");
        return gtk_init_check(nullptr, nullptr) != FALSE;
    }();
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

// A path without blanks is one long word: it is broken anywhere rather than widen the box.
void WrapAnywhere(GtkWidget* dialog) {
    GtkWidget* area = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    GList* children = gtk_container_get_children(GTK_CONTAINER(area));
    for (GList* child = children; child; child = child->next) {
        if (GTK_IS_LABEL(child->data))
            gtk_label_set_line_wrap_mode(GTK_LABEL(child->data), PANGO_WRAP_WORD_CHAR);
    }
    g_list_free(children);
}

// The box, not yet shown, with its texts, icon and GTK's own `buttons`.
GtkWidget* NewBox(std::string_view text, std::string_view caption, uint32_t flags,
                  std::string_view detail, GtkButtonsType buttons) {
    const GtkMessageType type = MessageType(flags);
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, buttons, "%s",
                                               BoxText(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), BoxText(caption).c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    if (!detail.empty())
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                                 BoxDetail(detail).c_str());
    WrapAnywhere(dialog);
    ShowIcon(dialog, type);
    return dialog;
}

// Shows the box above the owner until it is answered, and takes it away again.
gint RunBox(GtkWidget* dialog, uint64_t owner) {
    const ForeignWindow ownerWindow = StayAbove(dialog, owner);
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    FinishPendingEvents();
    return response;
}

int32_t ShowMessageBox(uint64_t owner, std::string_view text, std::string_view caption,
                       uint32_t flags, std::string_view detail) {
    if (!DesktopAvailable(owner)) return AnswerUnavailable;
    const bool yesNo = (flags & ButtonsMask) == BoxYesNo;
    GtkWidget* dialog =
        NewBox(text, caption, flags, detail, yesNo ? GTK_BUTTONS_YES_NO : GTK_BUTTONS_OK);
    if (yesNo) MakeTheDefault(dialog, flags & DefaultSecond ? GTK_RESPONSE_NO : GTK_RESPONSE_YES);
    const gint response = RunBox(dialog, owner);
    if (!yesNo) return AnswerOk;
    return response == GTK_RESPONSE_YES ? AnswerYes : AnswerNo;
}

int32_t AskThreeWays(uint64_t owner, std::string_view text, std::string_view caption,
                     uint32_t flags, std::string_view detail, std::string_view third) {
    if (!DesktopAvailable(owner)) return AnswerUnavailable;
    constexpr gint ThirdResponse = 1;  // GTK's own responses are negative
    GtkWidget* dialog = NewBox(text, caption, flags, detail, GTK_BUTTONS_NONE);
    // Yes and No in the words and order GTK gives its own Yes/No boxes.
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), g_dgettext("gtk30", "_No"), GTK_RESPONSE_NO,
                           BoxText(third).c_str(), ThirdResponse, g_dgettext("gtk30", "_Yes"),
                           GTK_RESPONSE_YES, nullptr);
    MakeTheDefault(dialog, GTK_RESPONSE_NO);
    const gint response = RunBox(dialog, owner);
    if (response == GTK_RESPONSE_YES) return AnswerYes;
    return response == ThirdResponse ? AnswerThird : AnswerNo;
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
    if (!DesktopAvailable(owner)) return {ChoiceStatus::Unavailable, {}};
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
            },
            [ownerWindow](std::string_view text, std::string_view caption, uint32_t flags,
                          std::string_view detail, std::string_view third) {
                return AskThreeWays(ownerWindow, text, caption, flags, detail, third);
            }};
}
