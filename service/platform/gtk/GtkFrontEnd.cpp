#include "service/platform/gtk/GtkFrontEnd.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <string>
#include <utility>

#include "service/platform/Bundle.h"
#include "service/platform/gtk/GtkDisplay.h"

namespace wendlock {
namespace {

// Response ids of the launch notice's buttons.
constexpr int kDefaultResponse = 1;
constexpr int kAlternateResponse = 2;

// GTK drops a text that is not UTF-8 with a warning; show what can be shown.
std::string validUtf8(const std::string& text) {
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result(valid);
  g_free(valid);
  return result;
}

// Where a dialog without a parent should appear on a desktop without a
// window manager too.
void placeAlone(GtkWindow* window, const std::string& title) {
  gtk_window_set_title(window, validUtf8(title).c_str());
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
}

// Shows `window` in front; once the program has been activated, with the
// server's current time, which a window manager that prevents focus
// stealing takes as the user's own action.
void present(GtkWindow* window, bool active) {
  guint32 time = GDK_CURRENT_TIME;
#ifdef GDK_WINDOWING_X11
  if (active) {
    gtk_widget_realize(GTK_WIDGET(window));
    GdkWindow* surface = gtk_widget_get_window(GTK_WIDGET(window));
    if (surface != nullptr && GDK_IS_X11_WINDOW(surface)) time = gdk_x11_get_server_time(surface);
  }
#else
  (void)active;
#endif
  gtk_window_present_with_time(window, time);
}

// A message dialog without buttons, its title also heading the text as on
// the platform's alert panels: desktops that hide dialog titles still say
// which program speaks. The texts are shown as they are, never as formats.
GtkWidget* newMessageDialog(GtkMessageType type, const std::string& title,
                            const std::string& message) {
  const bool titled = !title.empty();
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE,
                                             "%s", validUtf8(titled ? title : message).c_str());
  if (titled) {
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                             validUtf8(message).c_str());
  }
  placeAlone(GTK_WINDOW(dialog), title);
  return dialog;
}

enum Column { kColumnName, kColumnAddress, kColumnPaired, kColumnIndex, kColumnCount };

// The chooser window and what it shows of its source.
struct Chooser {
  DeviceSource* source = nullptr;
  GtkWidget* dialog = nullptr;
  GtkListStore* store = nullptr;
  GtkTreeView* list = nullptr;
  GtkWidget* spinner = nullptr;
  GtkWidget* status = nullptr;
  GtkWidget* send = nullptr;
  std::vector<DeviceEntry> shown;
  std::string searchingText;
  std::string noneText;
  std::string offText;
  bool choiceLost = false;  // the row the user had went away
};

std::optional<std::size_t> selectedRow(const Chooser& c) {
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(c.list), &model, &iter)) {
    return std::nullopt;
  }
  gint index = -1;
  gtk_tree_model_get(model, &iter, kColumnIndex, &index, -1);
  if (index < 0 || static_cast<std::size_t>(index) >= c.shown.size()) return std::nullopt;
  return static_cast<std::size_t>(index);
}

void selectRow(Chooser& c, std::size_t row) {
  GtkTreePath* path = gtk_tree_path_new_from_indices(static_cast<gint>(row), -1);
  gtk_tree_view_set_cursor(c.list, path, nullptr, FALSE);
  gtk_tree_path_free(path);
}

bool sameRows(const std::vector<DeviceEntry>& a, const std::vector<DeviceEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].address != b[i].address || a[i].paired != b[i].paired) {
      return false;
    }
  }
  return true;
}

void updateSend(Chooser& c) {
  gtk_widget_set_sensitive(c.send, selectedRow(c).has_value());
}

// Brings the window up to date with the source, keeping the user's row
// (by address) while it is there. Once it is gone no row is chosen for the
// user: Send waits until they pick again. Only the first rows to appear get
// a row chosen, the first.
void refresh(Chooser& c) {
  std::vector<DeviceEntry> now = c.source->entries();
  if (sameRows(now, c.shown)) {
    c.shown = std::move(now);  // the same rows may answer newer records
  } else {
    std::string kept;
    const std::optional<std::size_t> before = selectedRow(c);
    if (before) kept = c.shown[*before].address;
    gtk_list_store_clear(c.store);
    c.shown = std::move(now);
    std::optional<std::size_t> again;
    for (std::size_t i = 0; i < c.shown.size(); ++i) {
      const DeviceEntry& e = c.shown[i];
      const std::string name = validUtf8(e.name.empty() ? e.address : e.name);
      const std::string address = validUtf8(e.address);
      const std::string paired = e.paired ? localized("Yes") : std::string();
      gtk_list_store_insert_with_values(c.store, nullptr, -1, kColumnName, name.c_str(),
                                        kColumnAddress, address.c_str(), kColumnPaired,
                                        paired.c_str(), kColumnIndex, static_cast<gint>(i), -1);
      if (before && !again && e.address == kept) again = i;
    }
    if (before && !again) c.choiceLost = true;
    if (again) {
      selectRow(c, *again);
    } else if (!before && !c.choiceLost && !c.shown.empty()) {
      selectRow(c, 0);
    }
  }
  if (c.source->isPoweredOff()) {
    gtk_spinner_stop(GTK_SPINNER(c.spinner));
    gtk_widget_hide(c.spinner);
    gtk_label_set_text(GTK_LABEL(c.status), c.offText.c_str());
    gtk_widget_show(c.status);
  } else if (c.source->isSearching()) {
    gtk_spinner_start(GTK_SPINNER(c.spinner));
    gtk_widget_show(c.spinner);
    gtk_label_set_text(GTK_LABEL(c.status), c.searchingText.c_str());
    gtk_widget_show(c.status);
  } else {
    gtk_spinner_stop(GTK_SPINNER(c.spinner));
    gtk_widget_hide(c.spinner);
    gtk_label_set_text(GTK_LABEL(c.status), c.noneText.c_str());
    gtk_widget_set_visible(c.status, c.shown.empty());
  }
  updateSend(c);
}

gboolean onRefreshTick(gpointer data) {
  refresh(*static_cast<Chooser*>(data));
  return G_SOURCE_CONTINUE;
}

void onRowActivated(GtkTreeView* /*list*/, GtkTreePath* /*path*/, GtkTreeViewColumn* /*column*/,
                    gpointer data) {
  auto* c = static_cast<Chooser*>(data);
  if (selectedRow(*c)) gtk_dialog_response(GTK_DIALOG(c->dialog), GTK_RESPONSE_ACCEPT);
}

void onSelectionChanged(GtkTreeSelection* /*selection*/, gpointer data) {
  updateSend(*static_cast<Chooser*>(data));
}

void addTextColumn(GtkTreeView* list, const std::string& title, int column, bool expand) {
  GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
  if (expand) g_object_set(renderer, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  GtkTreeViewColumn* c =
      gtk_tree_view_column_new_with_attributes(title.c_str(), renderer, "text", column, nullptr);
  gtk_tree_view_column_set_expand(c, expand ? TRUE : FALSE);
  gtk_tree_view_column_set_resizable(c, TRUE);
  gtk_tree_view_append_column(list, c);
}

void buildChooser(Chooser& c) {
  c.searchingText = localized("Searching for devices…");
  c.noneText = localized("No devices found.");
  c.offText = localized("Bluetooth is off.");
  c.dialog = gtk_dialog_new();
  GtkWindow* window = GTK_WINDOW(c.dialog);
  placeAlone(window, "Wendlock");
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_default_size(window, 520, 340);
  gtk_dialog_add_button(GTK_DIALOG(c.dialog), localized("Cancel").c_str(), GTK_RESPONSE_CANCEL);
  c.send =
      gtk_dialog_add_button(GTK_DIALOG(c.dialog), localized("Send").c_str(), GTK_RESPONSE_ACCEPT);
  gtk_dialog_set_default_response(GTK_DIALOG(c.dialog), GTK_RESPONSE_ACCEPT);
  gtk_style_context_add_class(gtk_widget_get_style_context(c.send), "suggested-action");

  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(c.dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 12);
  gtk_box_set_spacing(GTK_BOX(area), 8);

  GtkWidget* heading = gtk_label_new(nullptr);
  gchar* markup = g_markup_printf_escaped("<b>%s</b>", localized("Send to which device?").c_str());
  gtk_label_set_markup(GTK_LABEL(heading), markup);
  g_free(markup);
  gtk_widget_set_halign(heading, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(area), heading, FALSE, FALSE, 0);

  c.store =
      gtk_list_store_new(kColumnCount, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_INT);
  c.list = GTK_TREE_VIEW(gtk_tree_view_new_with_model(GTK_TREE_MODEL(c.store)));
  g_object_unref(c.store);  // the view holds it
  addTextColumn(c.list, localized("Name"), kColumnName, true);
  addTextColumn(c.list, localized("Address"), kColumnAddress, false);
  addTextColumn(c.list, localized("Paired"), kColumnPaired, false);
  gtk_tree_view_set_enable_search(c.list, TRUE);
  gtk_tree_view_set_search_column(c.list, kColumnName);
  GtkTreeSelection* selection = gtk_tree_view_get_selection(c.list);
  // Not BROWSE, which moves the selection to a neighbour when its row goes.
  gtk_tree_selection_set_mode(selection, GTK_SELECTION_SINGLE);
  g_signal_connect(c.list, "row-activated", G_CALLBACK(onRowActivated), &c);
  g_signal_connect(selection, "changed", G_CALLBACK(onSelectionChanged), &c);

  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                 GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(scroller), GTK_WIDGET(c.list));
  gtk_box_pack_start(GTK_BOX(area), scroller, TRUE, TRUE, 0);

  GtkWidget* statusRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  c.spinner = gtk_spinner_new();
  c.status = gtk_label_new(nullptr);
  gtk_widget_set_halign(c.status, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(statusRow), c.spinner, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(statusRow), c.status, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(area), statusRow, FALSE, FALSE, 0);

  gtk_widget_show_all(area);
  gtk_widget_set_no_show_all(c.spinner, TRUE);
  gtk_widget_set_no_show_all(c.status, TRUE);
}

}  // namespace

void GtkFrontEnd::showCriticalAlert(const std::string& title, const std::string& message) {
  GtkWidget* dialog = newMessageDialog(GTK_MESSAGE_ERROR, title, message);
  gtk_dialog_add_button(GTK_DIALOG(dialog), localized("OK").c_str(), GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  present(GTK_WINDOW(dialog), active_);
  (void)gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

FrontEnd::Answer GtkFrontEnd::showInformationalAlert(const std::string& title,
                                                     const std::string& message,
                                                     const std::string& defaultButton,
                                                     const std::string& alternateButton) {
  GtkWidget* dialog = newMessageDialog(GTK_MESSAGE_INFO, title, message);
  gtk_dialog_add_button(GTK_DIALOG(dialog), validUtf8(alternateButton).c_str(), kAlternateResponse);
  GtkWidget* quit =
      gtk_dialog_add_button(GTK_DIALOG(dialog), validUtf8(defaultButton).c_str(), kDefaultResponse);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), kDefaultResponse);
  present(GTK_WINDOW(dialog), active_);
  gtk_widget_grab_focus(quit);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response == kAlternateResponse ? Answer::Alternate : Answer::Default;
}

void GtkFrontEnd::beep() {
  if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
}

void GtkFrontEnd::activate() {
  active_ = true;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w != nullptr; w = w->next) {
    GtkWindow* window = GTK_WINDOW(w->data);
    if (gtk_widget_get_visible(GTK_WIDGET(window))) present(window, active_);
  }
  g_list_free(windows);
}

std::optional<std::size_t> GtkFrontEnd::runChooser(DeviceSource& source,
                                                   std::vector<DeviceEntry>* shown) {
  Chooser c;
  c.source = &source;
  buildChooser(c);
  refresh(c);
  const guint tick = g_timeout_add(kChooserRefreshMilliseconds, onRefreshTick, &c);
  present(GTK_WINDOW(c.dialog), active_);
  gtk_widget_grab_focus(GTK_WIDGET(c.list));
  const int response = gtk_dialog_run(GTK_DIALOG(c.dialog));
  g_source_remove(tick);
  std::optional<std::size_t> chosen;
  if (response == GTK_RESPONSE_ACCEPT) chosen = selectedRow(c);
  gtk_widget_destroy(c.dialog);
  *shown = std::move(c.shown);
  return chosen;
}

std::optional<std::size_t> GtkFrontEnd::chooseDevice(const std::vector<ServiceRecord>& devices) {
  if (devices.empty()) return std::nullopt;
  StaticDeviceSource source(devices);
  std::vector<DeviceEntry> shown;
  // A fixed source shows its entries in the order given.
  return runChooser(source, &shown);
}

std::optional<ServiceRecord> GtkFrontEnd::chooseDevice(DeviceSource& source) {
  std::vector<DeviceEntry> shown;
  const std::optional<std::size_t> chosen = runChooser(source, &shown);
  if (!chosen) return std::nullopt;
  return shown[*chosen].record;
}

std::unique_ptr<FrontEnd> makeGtkFrontEnd() {
  if (!ensureGtkDisplay()) return nullptr;
  return std::make_unique<GtkFrontEnd>();
}

}  // namespace wendlock
