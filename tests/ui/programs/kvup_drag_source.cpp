// A file manager's part in a drag for the drop window tests: a small window
// at the given screen point from which the given paths can be dragged as
// text/uri-list, like a file manager offers them. It prints "ready" once the
// window is on screen, "sent N" when the drop target took the data and "end"
// when the drag is over, and then quits.
//
//   kvup_drag_source X Y PATH...
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_paths;

void OnDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
  std::vector<gchar*> uris;
  for (const std::string& path : g_paths)
    uris.push_back(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  uris.push_back(nullptr);
  gtk_selection_data_set_uris(data, uris.data());
  for (gchar* uri : uris) g_free(uri);
  std::printf("sent %zu\n", g_paths.size());
  std::fflush(stdout);
}

void OnDragEnd(GtkWidget*, GdkDragContext*, gpointer) {
  std::printf("end\n");
  std::fflush(stdout);
  gtk_main_quit();
}

gboolean OnMapped(GtkWidget*, GdkEvent*, gpointer) {
  std::printf("ready\n");
  std::fflush(stdout);
  return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || !gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "usage: kvup_drag_source X Y PATH... (with a display)\n");
    return 2;
  }
  for (int i = 3; i < argc; ++i) g_paths.emplace_back(argv[i]);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_move(GTK_WINDOW(window), std::atoi(argv[1]), std::atoi(argv[2]));
  gtk_window_set_default_size(GTK_WINDOW(window), 120, 60);
  GtkWidget* box = gtk_event_box_new();
  gtk_container_add(GTK_CONTAINER(box), gtk_label_new("files"));
  gtk_container_add(GTK_CONTAINER(window), box);
  static const GtkTargetEntry kTargets[] = {{const_cast<gchar*>("text/uri-list"), 0, 0}};
  gtk_drag_source_set(box, GDK_BUTTON1_MASK, kTargets, 1, GDK_ACTION_COPY);
  g_signal_connect(box, "drag-data-get", G_CALLBACK(OnDataGet), nullptr);
  g_signal_connect(box, "drag-end", G_CALLBACK(OnDragEnd), nullptr);
  g_signal_connect(window, "map-event", G_CALLBACK(OnMapped), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
