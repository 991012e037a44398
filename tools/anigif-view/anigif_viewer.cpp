#include "tools/anigif-view/anigif_viewer.h"

#include <fcntl.h>
#include <glib-unix.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/pictures/gif_format.h"
#include "platform/raster/units.h"

namespace tovarin::tools {
namespace {

using platform::glib::GuardCallback;

constexpr const char* kControlName = "g1";
// Action values beyond the run states: show the next frame, and restart from frame 1.
constexpr int kActionStep = 3;
constexpr int kActionRestart = 4;

// Space pauses a running animation and resumes a paused one; a stopped one (its passes all
// run) starts again from frame 1 with its loop count renewed.
int SpaceAction(int action) {
  constexpr int kRunning = static_cast<int>(gif::RunState::kRunning);
  constexpr int kPaused = static_cast<int>(gif::RunState::kPaused);
  if (action == kRunning) return kPaused;
  if (action == kPaused) return kRunning;
  return kActionRestart;
}

}  // namespace

platform::Status AniGifViewer::CheckFile(const std::string& file) {
  std::error_code ignored;
  if (std::filesystem::is_directory(file, ignored))
    return platform::Error{"cannot read " + file + ": it is a folder"};
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return platform::Error{"cannot read " + file + ": " + std::strerror(errno)};
  std::array<std::uint8_t, platform::kGifSignatureBytes> signature{};
  std::size_t got = 0;
  while (got < signature.size()) {
    const ssize_t n = read(fd, signature.data() + got, signature.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (!platform::IsGifSignature(std::span<const std::uint8_t>(signature.data(), got))) {
    return platform::Error{file + " is not a GIF file (it does not begin with GIF87a or GIF89a)"};
  }
  return {};
}

AniGifViewer::AniGifViewer() : loop_(g_main_loop_new(nullptr, FALSE)) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  fixed_ = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window_), fixed_);
  signals_.emplace_back(window_, "delete-event", G_CALLBACK(&AniGifViewer::OnDelete), this);
  signals_.emplace_back(window_, "key-press-event", G_CALLBACK(&AniGifViewer::OnKeyPress), this);
  quit_sources_.emplace_back(g_unix_signal_add(SIGINT, &AniGifViewer::OnQuitSignal, this));
  quit_sources_.emplace_back(g_unix_signal_add(SIGTERM, &AniGifViewer::OnQuitSignal, this));
}

AniGifViewer::~AniGifViewer() {
  TakeDownControl();
  quit_sources_.clear();
  signals_.clear();
  gtk_widget_destroy(window_);
}

void AniGifViewer::TakeDownControl() {
  if (control_) {
    control_->OnTerminate();
    // The host calls into the control until it is detached; the control's engine kills its
    // timer through the host when it goes, so the host stays until after the control.
    host_->Detach();
    control_.reset();
  }
  host_.reset();
}

platform::Status AniGifViewer::Open(const ViewOptions& options) {
  if (platform::Status check = CheckFile(options.file); !check.ok()) return check;
  // File names are bytes; the title needs UTF-8.
  gchar* display_name = g_filename_display_basename(options.file.c_str());
  file_name_ = display_name;
  g_free(display_name);
  TakeDownControl();

  // Without --size the control starts as a speck and takes the image's size after the load.
  const platform::Size start = options.size.value_or(platform::Size{1, 1});
  platform::gtk::GtkHostOptions host_options;
  host_options.name = kControlName;
  host_options.rect = platform::Rect::FromXYWH(0, 0, start.width, start.height);
  host_options.user_mode = true;
  host_ = std::make_unique<platform::gtk::GtkControlHost>(desktop_, GTK_FIXED(fixed_),
                                                          std::move(host_options));
  control_ = std::make_unique<anigif::ucAniGIF>(*host_);
  host_->Attach(*control_);
  host_->SetEventHandler("FrameChanged", [this](platform::EventArgs&) { UpdateTitle(); });
  host_->SetEventHandler("LoopsEnded", [this](platform::EventArgs&) { UpdateTitle(); });
  host_->InitNew();  // a new instance, as a form makes one
  control_->SetStretch(options.stretch);

  if (!control_->LoadAnimatedGIF_File(options.file)) {
    TakeDownControl();
    return platform::Error{options.file +
                           " holds no image that can be shown (a damaged or empty GIF)"};
  }
  if (!options.size) {
    // ActualWidth/Height are in the host's units: twips, what the resize call takes.
    const auto side = [](int twips) {
      return std::clamp(twips, platform::kTwipsPerPixel, kMaxViewSide * platform::kTwipsPerPixel);
    };
    host_->ResizeTwips(side(control_->ActualWidth()), side(control_->ActualHeight()));
  }
  UpdateTitle();
  return {};
}

void AniGifViewer::Run() {
  gtk_widget_show_all(window_);
  if (host_) host_->SetFocus();
  g_main_loop_run(loop_.get());
  gtk_widget_hide(window_);
}

void AniGifViewer::Close() { g_main_loop_quit(loop_.get()); }

std::string AniGifViewer::Title() const {
  std::string title = file_name_;
  if (!control_) return title;
  title += " - frame " + std::to_string(control_->CurrentFrame()) + "/" +
           std::to_string(control_->FrameCount());
  if (control_->FrameCount() > 1) {
    const auto state = static_cast<gif::RunState>(control_->Action());
    if (state == gif::RunState::kPaused) title += " (paused)";
    if (state == gif::RunState::kStopped) title += " (stopped)";
  }
  return title;
}

void AniGifViewer::UpdateTitle() { gtk_window_set_title(GTK_WINDOW(window_), Title().c_str()); }

bool AniGifViewer::HandleKey(guint keyval) {
  switch (keyval) {
    case GDK_KEY_q:
    case GDK_KEY_Escape: Close(); return true;
    case GDK_KEY_space:
      if (control_) control_->SetAction(SpaceAction(control_->Action()));
      break;
    case GDK_KEY_Right:
      if (control_) control_->SetAction(kActionStep);
      break;
    case GDK_KEY_Home:
      if (control_) control_->SetAction(kActionRestart);
      break;
    default: return false;
  }
  UpdateTitle();
  return true;
}

gboolean AniGifViewer::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  // The window stays until the viewer takes it down in order; closing ends the loop.
  GuardCallback([&] { static_cast<AniGifViewer*>(data)->Close(); });
  return TRUE;
}

gboolean AniGifViewer::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  bool handled = false;
  const guint plain = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK);
  if (plain == 0)
    GuardCallback([&] { handled = static_cast<AniGifViewer*>(data)->HandleKey(event->keyval); });
  return handled ? TRUE : FALSE;
}

gboolean AniGifViewer::OnQuitSignal(gpointer data) {
  GuardCallback([&] { static_cast<AniGifViewer*>(data)->Close(); });
  return G_SOURCE_CONTINUE;
}

}  // namespace tovarin::tools
