#include "service/platform/gtk/GtkFrontEnd.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "chars/StringFormat.h"
#include "service/platform/Bundle.h"
#include "service/platform/gtk/BluetoothSettings.h"
#include "service/platform/gtk/DesktopNotification.h"
#include "service/platform/gtk/GtkDisplay.h"
#include "support/MonotonicClock.h"

namespace wendlock {

// The window shown while a push waits for the device.
struct GtkFrontEnd::Sending {
  GtkWidget* dialog = nullptr;
  std::function<void()> cancel;
};

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

// A message dialog without buttons, as the desktop's dialogs are laid out:
// `title` on the window, `primary` (the problem) in bold, `secondary` (the
// explanation, may be empty) below it. The texts are shown as they are,
// never as formats.
GtkWidget* newMessageDialog(GtkMessageType type, const std::string& title,
                            const std::string& primary, const std::string& secondary) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, type, GTK_BUTTONS_NONE,
                                             "%s", validUtf8(primary).c_str());
  if (!secondary.empty()) {
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                             validUtf8(secondary).c_str());
  }
  placeAlone(GTK_WINDOW(dialog), title);
  return dialog;
}

// A label in the theme's dimmed style, smaller when `small`.
GtkWidget* newDimLabel(bool small) {
  GtkWidget* label = gtk_label_new(nullptr);
  gtk_style_context_add_class(gtk_widget_get_style_context(label), "dim-label");
  if (small) {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_scale_new(PANGO_SCALE_SMALL));
    gtk_label_set_attributes(GTK_LABEL(label), attributes);
    pango_attr_list_unref(attributes);
  }
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

GtkWidget* newHeading(const std::string& text) {
  GtkWidget* heading = gtk_label_new(nullptr);
  gchar* markup = g_markup_printf_escaped("<b>%s</b>", validUtf8(text).c_str());
  gtk_label_set_markup(GTK_LABEL(heading), markup);
  g_free(markup);
  gtk_widget_set_halign(heading, GTK_ALIGN_START);
  return heading;
}

// The first icon of `names` the theme has; the last one otherwise.
const char* themedIcon(std::initializer_list<const char*> names) {
  GtkIconTheme* theme = gtk_icon_theme_get_default();
  for (const char* name : names) {
    if (*name != '\0' && gtk_icon_theme_has_icon(theme, name)) return name;
  }
  return *(names.end() - 1);
}

// The list's columns: the device's icon, its name (for type-ahead and
// tests), the name with the address below it, the paired icon, the
// tooltip, and the entry's index.
enum Column {
  kColumnIcon,
  kColumnName,
  kColumnMarkup,
  kColumnPaired,
  kColumnTooltip,
  kColumnIndex,
  kColumnCount
};

// The chooser window and what it shows of its source.
struct Chooser {
  DeviceSource* source = nullptr;
  GtkWidget* dialog = nullptr;
  GtkListStore* store = nullptr;
  GtkTreeView* list = nullptr;
  GtkWidget* spinner = nullptr;
  GtkWidget* status = nullptr;
  GtkWidget* searchAgain = nullptr;
  GtkWidget* hint = nullptr;
  GtkWidget* settings = nullptr;
  GtkWidget* send = nullptr;
  std::vector<DeviceEntry> shown;
  std::string remembered;  // the target to choose first, while the user has not
  std::vector<std::string> settingsCommand;
  double searchEnds = 0;    // when the chooser stops the search (monotonic)
  bool selecting = false;   // the chooser itself moves the selection
  bool userChose = false;   // the user has moved the selection
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
  c.selecting = true;
  gtk_tree_view_set_cursor(c.list, path, nullptr, FALSE);
  c.selecting = false;
  gtk_tree_path_free(path);
}

bool sameRows(const std::vector<DeviceEntry>& a, const std::vector<DeviceEntry>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].address != b[i].address || a[i].paired != b[i].paired ||
        a[i].icon != b[i].icon) {
      return false;
    }
  }
  return true;
}

void updateSend(Chooser& c) {
  gtk_widget_set_sensitive(c.send, selectedRow(c).has_value());
}

void addRow(Chooser& c, std::size_t i) {
  const DeviceEntry& e = c.shown[i];
  const std::string name = validUtf8(e.name.empty() ? e.address : e.name);
  const std::string address = validUtf8(e.address);
  gchar* markup = g_markup_printf_escaped("%s\n<small>%s</small>", name.c_str(), address.c_str());
  const std::string tooltip = e.paired ? address + " · " + localized("Paired") : address;
  gchar* escaped = g_markup_escape_text(tooltip.c_str(), -1);
  const char* icon = themedIcon({e.icon.c_str(), "bluetooth", "bluetooth-symbolic"});
  const char* paired = e.paired ? themedIcon({"emblem-default-symbolic", "emblem-default"}) : "";
  gtk_list_store_insert_with_values(
      c.store, nullptr, -1, kColumnIcon, icon, kColumnName, name.c_str(), kColumnMarkup, markup,
      kColumnPaired, paired, kColumnTooltip, escaped, kColumnIndex, static_cast<gint>(i), -1);
  g_free(escaped);
  g_free(markup);
}

// The row to choose for a user who has not chosen: the target last sent
// to when it is listed, else the first.
std::optional<std::size_t> preferredRow(const Chooser& c) {
  for (std::size_t i = 0; i < c.shown.size(); ++i) {
    if (!c.remembered.empty() && c.shown[i].record.describe() == c.remembered) return i;
  }
  if (c.shown.empty()) return std::nullopt;
  return 0;
}

void showStatus(Chooser& c, const std::string& text, bool searching) {
  if (searching) {
    gtk_spinner_start(GTK_SPINNER(c.spinner));
  } else {
    gtk_spinner_stop(GTK_SPINNER(c.spinner));
  }
  gtk_widget_set_visible(c.spinner, searching);
  gtk_label_set_text(GTK_LABEL(c.status), text.c_str());
  gtk_widget_set_visible(c.status, !text.empty());
}

// Brings the window up to date with the source, keeping the user's row
// (by address) while it is there. Once it is gone no row is chosen for the
// user: Send waits until they pick again. Until the user picks, the
// preferred row is chosen for them.
void refresh(Chooser& c) {
  if (c.source->isSearching() && orvin::monotonicSeconds() >= c.searchEnds) {
    c.source->stopSearching();
  }
  std::vector<DeviceEntry> now = c.source->entries();
  if (sameRows(now, c.shown)) {
    c.shown = std::move(now);  // the same rows may answer newer records
  } else {
    std::string kept;
    const std::optional<std::size_t> before = c.userChose ? selectedRow(c) : std::nullopt;
    if (before) kept = c.shown[*before].address;
    c.selecting = true;
    gtk_list_store_clear(c.store);
    c.selecting = false;
    c.shown = std::move(now);
    std::optional<std::size_t> again;
    for (std::size_t i = 0; i < c.shown.size(); ++i) {
      addRow(c, i);
      if (before && !again && c.shown[i].address == kept) again = i;
    }
    if (again) {
      selectRow(c, *again);
    } else if (!c.userChose) {
      if (const std::optional<std::size_t> row = preferredRow(c)) selectRow(c, *row);
    }
  }
  const bool off = c.source->isPoweredOff();
  const bool searching = !off && c.source->isSearching();
  if (off) {
    showStatus(c, localized("Bluetooth is off."), false);
  } else if (searching) {
    showStatus(c, localized("Searching for devices…"), true);
  } else {
    showStatus(c, c.shown.empty() ? localized("No devices found.") : std::string(), false);
  }
  gtk_widget_set_visible(c.searchAgain, !searching && c.source->canSearch());
  // Nothing offers Object Push: most often the phone was never paired.
  const bool lonely = c.shown.empty() && !off;
  gtk_widget_set_visible(c.hint, lonely);
  gtk_widget_set_visible(c.settings, lonely && !c.settingsCommand.empty());
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
  auto* c = static_cast<Chooser*>(data);
  if (!c->selecting) c->userChose = true;
  updateSend(*c);
}

void onSearchAgain(GtkButton* /*button*/, gpointer data) {
  auto* c = static_cast<Chooser*>(data);
  c->searchEnds = orvin::monotonicSeconds() + GtkFrontEnd::kChooserSearchSeconds;
  c->source->searchAgain();
  refresh(*c);
}

void onOpenSettings(GtkButton* /*button*/, gpointer data) {
  auto* c = static_cast<Chooser*>(data);
  if (!launchDetached(c->settingsCommand)) {
    if (GdkDisplay* display = gdk_display_get_default()) gdk_display_beep(display);
  }
}

void addColumns(GtkTreeView* list) {
  GtkTreeViewColumn* column = gtk_tree_view_column_new();
  GtkCellRenderer* icon = gtk_cell_renderer_pixbuf_new();
  g_object_set(icon, "stock-size", GTK_ICON_SIZE_DND, "xpad", 4, nullptr);
  gtk_tree_view_column_pack_start(column, icon, FALSE);
  gtk_tree_view_column_add_attribute(column, icon, "icon-name", kColumnIcon);
  GtkCellRenderer* text = gtk_cell_renderer_text_new();
  g_object_set(text, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  gtk_tree_view_column_pack_start(column, text, TRUE);
  gtk_tree_view_column_add_attribute(column, text, "markup", kColumnMarkup);
  GtkCellRenderer* paired = gtk_cell_renderer_pixbuf_new();
  g_object_set(paired, "xpad", 6, nullptr);
  gtk_tree_view_column_pack_end(column, paired, FALSE);
  gtk_tree_view_column_add_attribute(column, paired, "icon-name", kColumnPaired);
  gtk_tree_view_column_set_expand(column, TRUE);
  gtk_tree_view_append_column(list, column);
  gtk_tree_view_set_headers_visible(list, FALSE);
  gtk_tree_view_set_tooltip_column(list, kColumnTooltip);
}

// The line under the heading with what will be sent: its first line and
// its size.
void addPreview(GtkBox* area, const FrontEnd::Outgoing& outgoing) {
  if (outgoing.size.empty()) return;
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  GtkWidget* text = newDimLabel(false);
  const std::string quoted =
      orvin::stringWithFormat(NSBundle::mainBundle().localizedStringForKey(u"“%@”", u""),
                              {orvin::String::withUtf8(validUtf8(outgoing.firstLine))})
          .toUtf8();
  gtk_label_set_text(GTK_LABEL(text), quoted.c_str());
  gtk_label_set_ellipsize(GTK_LABEL(text), PANGO_ELLIPSIZE_END);
  gtk_label_set_single_line_mode(GTK_LABEL(text), TRUE);
  GtkWidget* size = newDimLabel(false);
  gtk_label_set_text(GTK_LABEL(size), validUtf8(outgoing.size).c_str());
  gtk_box_pack_start(GTK_BOX(row), text, TRUE, TRUE, 0);
  gtk_box_pack_end(GTK_BOX(row), size, FALSE, FALSE, 0);
  gtk_box_pack_start(area, row, FALSE, FALSE, 0);
}

void buildChooser(Chooser& c, const FrontEnd::Outgoing& outgoing) {
  c.remembered = outgoing.remembered;
  c.settingsCommand = bluetoothSettingsCommand();
  c.searchEnds = orvin::monotonicSeconds() + GtkFrontEnd::kChooserSearchSeconds;
  c.dialog = gtk_dialog_new();
  GtkWindow* window = GTK_WINDOW(c.dialog);
  placeAlone(window, "Wendlock");
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_default_size(window, 460, 380);
  gtk_dialog_add_button(GTK_DIALOG(c.dialog), localized("_Cancel").c_str(), GTK_RESPONSE_CANCEL);
  c.send =
      gtk_dialog_add_button(GTK_DIALOG(c.dialog), localized("_Send").c_str(), GTK_RESPONSE_ACCEPT);
  gtk_dialog_set_default_response(GTK_DIALOG(c.dialog), GTK_RESPONSE_ACCEPT);
  gtk_style_context_add_class(gtk_widget_get_style_context(c.send), "suggested-action");

  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(c.dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 12);
  gtk_box_set_spacing(GTK_BOX(area), 8);
  gtk_box_pack_start(GTK_BOX(area), newHeading(localized("Send to which device?")), FALSE, FALSE,
                     0);
  addPreview(GTK_BOX(area), outgoing);

  c.store = gtk_list_store_new(kColumnCount, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING,
                               G_TYPE_STRING, G_TYPE_STRING, G_TYPE_INT);
  c.list = GTK_TREE_VIEW(gtk_tree_view_new_with_model(GTK_TREE_MODEL(c.store)));
  g_object_unref(c.store);  // the view holds it
  addColumns(c.list);
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
  c.searchAgain = gtk_button_new_with_mnemonic(localized("Search _Again").c_str());
  g_signal_connect(c.searchAgain, "clicked", G_CALLBACK(onSearchAgain), &c);
  gtk_box_pack_start(GTK_BOX(statusRow), c.spinner, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(statusRow), c.status, FALSE, FALSE, 0);
  gtk_box_pack_end(GTK_BOX(statusRow), c.searchAgain, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(area), statusRow, FALSE, FALSE, 0);

  GtkWidget* hintRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  c.hint = newDimLabel(false);
  gtk_label_set_text(GTK_LABEL(c.hint),
                     localized("Pair the phone in the Bluetooth settings first.").c_str());
  gtk_label_set_line_wrap(GTK_LABEL(c.hint), TRUE);
  c.settings = gtk_button_new_with_mnemonic(localized("Bluetooth S_ettings").c_str());
  g_signal_connect(c.settings, "clicked", G_CALLBACK(onOpenSettings), &c);
  gtk_box_pack_start(GTK_BOX(hintRow), c.hint, TRUE, TRUE, 0);
  gtk_box_pack_end(GTK_BOX(hintRow), c.settings, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(area), hintRow, FALSE, FALSE, 0);

  gtk_widget_show_all(area);
  for (GtkWidget* w : {c.spinner, c.status, c.searchAgain, c.hint, c.settings}) {
    gtk_widget_set_no_show_all(w, TRUE);
  }
}

void onSendingResponse(GtkDialog* dialog, gint /*response*/, gpointer data) {
  auto* sending = static_cast<GtkFrontEnd::Sending*>(data);
  // Any answer (Cancel, Escape, closing the window) cancels the push; the
  // window goes at once, the push ends on its own time.
  gtk_widget_hide(GTK_WIDGET(dialog));
  if (std::function<void()> cancel = std::exchange(sending->cancel, nullptr)) cancel();
}

}  // namespace

GtkFrontEnd::GtkFrontEnd() = default;

GtkFrontEnd::~GtkFrontEnd() {
  endSending();
}

void GtkFrontEnd::showCriticalAlert(const std::string& title, const std::string& message,
                                    const std::string& detail) {
  GtkWidget* dialog = newMessageDialog(GTK_MESSAGE_ERROR, title, message, detail);
  gtk_dialog_add_button(GTK_DIALOG(dialog), localized("_OK").c_str(), GTK_RESPONSE_OK);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  present(GTK_WINDOW(dialog), active_);
  (void)gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

FrontEnd::Answer GtkFrontEnd::showInformationalAlert(const std::string& title,
                                                     const std::string& message,
                                                     const std::string& defaultButton,
                                                     const std::string& alternateButton) {
  // Its first paragraph says what the program is; the rest is the detail.
  const std::size_t split = message.find("\n\n");
  const std::string primary = split == std::string::npos ? message : message.substr(0, split);
  const std::string secondary = split == std::string::npos ? "" : message.substr(split + 2);
  GtkWidget* dialog = newMessageDialog(GTK_MESSAGE_INFO, title, primary, secondary);
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

void GtkFrontEnd::showSending(const std::string& what, std::function<void()> cancel) {
  endSending();
  sending_ = std::make_unique<Sending>();
  sending_->cancel = std::move(cancel);
  GtkWidget* dialog = gtk_dialog_new();
  sending_->dialog = dialog;
  placeAlone(GTK_WINDOW(dialog), "Wendlock");
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  gtk_dialog_add_button(GTK_DIALOG(dialog), localized("_Cancel").c_str(), GTK_RESPONSE_CANCEL);
  g_signal_connect(dialog, "response", G_CALLBACK(onSendingResponse), sending_.get());
  // Closing it answers a response and hides it; endSending() destroys it.
  g_signal_connect(dialog, "delete-event", G_CALLBACK(gtk_widget_hide_on_delete), nullptr);

  GtkWidget* area = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(area), 18);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  GtkWidget* spinner = gtk_spinner_new();
  gtk_widget_set_size_request(spinner, 32, 32);
  gtk_spinner_start(GTK_SPINNER(spinner));
  GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_box_pack_start(GTK_BOX(texts), newHeading(what), FALSE, FALSE, 0);
  GtkWidget* hint = newDimLabel(false);
  gtk_label_set_text(GTK_LABEL(hint),
                     localized("Accept the file on the device if it asks.").c_str());
  gtk_box_pack_start(GTK_BOX(texts), hint, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), spinner, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(row), texts, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(area), row, TRUE, TRUE, 0);
  gtk_widget_show_all(area);
  present(GTK_WINDOW(dialog), active_);
}

void GtkFrontEnd::endSending() {
  if (!sending_) return;
  gtk_widget_destroy(sending_->dialog);
  sending_.reset();
  // Let the display see the window go before anything else shows.
  for (int i = 0; i < 100 && g_main_context_iteration(nullptr, FALSE); ++i) {
  }
}

void GtkFrontEnd::notify(const std::string& summary) {
  (void)sendDesktopNotification(summary);
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
  buildChooser(c, outgoing());
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
