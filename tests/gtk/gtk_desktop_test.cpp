#include "platform/gtk/gtk_desktop.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/gtk/main_loop_waits.h"

namespace tovarin::platform::gtk {
namespace {

using std::chrono::milliseconds;

// Window handles and procedure chains of the desktop, on real widgets.
class GtkDesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no display";
    desktop_ = std::make_unique<GtkDesktop>();
    for (GtkWidget*& widget : widgets_) widget = GTK_WIDGET(g_object_ref_sink(gtk_label_new("")));
  }
  void TearDown() override {
    for (GtkWidget* widget : widgets_) {
      if (widget != nullptr) g_object_unref(widget);
    }
    RunFor(milliseconds(10));
    desktop_.reset();
  }

  // A procedure that logs "<name> <message>" and answers `answer`, plus what `next` answers
  // when it is set (a hook calling on to the procedure it replaced).
  WindowProcedure Logging(const std::string& name, std::intptr_t answer,
                          std::shared_ptr<WindowProcedure> next = nullptr) {
    return [this, name, answer, next](WindowHandle window, std::uint32_t message,
                                      std::intptr_t wparam, std::intptr_t lparam) {
      log_.push_back(name + " " + std::to_string(message));
      if (next && *next) return (*next)(window, message, wparam, lparam) + answer;
      return answer;
    };
  }
  // Installs a logging hook that calls on to the procedure it replaces; returns that one.
  WindowProcedure Hook(WindowHandle window, const std::string& name, std::intptr_t answer) {
    auto next = std::make_shared<WindowProcedure>();
    auto replaced = desktop_->ReplaceProcedure(window, Logging(name, answer, next));
    EXPECT_TRUE(replaced.has_value());
    *next = replaced.value_or(WindowProcedure{});
    return *next;
  }

  std::unique_ptr<GtkDesktop> desktop_;
  GtkWidget* widgets_[2] = {nullptr, nullptr};
  std::vector<std::string> log_;
};

TEST_F(GtkDesktopTest, HandlesAreStablePerWidgetAndGoWithTheWidget) {
  const WindowHandle first = desktop_->HandleOf(widgets_[0]);
  const WindowHandle second = desktop_->HandleOf(widgets_[1]);
  EXPECT_NE(first, 0u);
  EXPECT_NE(first, second);
  EXPECT_EQ(desktop_->HandleOf(widgets_[0]), first);
  EXPECT_EQ(desktop_->HandleOf(nullptr), 0u);
  EXPECT_EQ(desktop_->WidgetOf(first), widgets_[0]);

  ASSERT_TRUE(desktop_->ReplaceProcedure(first, Logging("p", 5)).has_value());
  g_object_unref(widgets_[0]);  // finalized: the handle and its procedure go
  widgets_[0] = nullptr;
  EXPECT_EQ(desktop_->WidgetOf(first), nullptr);
  EXPECT_EQ(desktop_->SendMessage(first, 1, 0, 0), 0);
  EXPECT_FALSE(desktop_->ReplaceProcedure(first, Logging("q", 1)).has_value());
  EXPECT_TRUE(log_.empty());
}

TEST_F(GtkDesktopTest, TheDefaultProcedureAnswersZero) {
  const WindowHandle window = desktop_->HandleOf(widgets_[0]);
  EXPECT_EQ(desktop_->SendMessage(window, kWmActivate, 1, 0), 0);
  EXPECT_EQ(desktop_->SendMessage(0x7FFF0000, kWmActivate, 1, 0), 0);  // no such window
}

TEST_F(GtkDesktopTest, HooksChainThroughTheProceduresTheyReplaced) {
  const WindowHandle window = desktop_->HandleOf(widgets_[0]);
  ASSERT_TRUE(desktop_->ReplaceProcedure(window, Logging("inner", 1)).has_value());
  const WindowProcedure inner = Hook(window, "outer", 10);

  EXPECT_EQ(desktop_->SendMessage(window, kWmMouseLeave, 0, 0), 11);
  EXPECT_EQ(log_, (std::vector<std::string>{"outer 675", "inner 675"}));

  // Unhooking restores the replaced procedure; only the inner one runs then.
  log_.clear();
  ASSERT_TRUE(desktop_->ReplaceProcedure(window, inner).has_value());
  EXPECT_EQ(desktop_->SendMessage(window, kWmMouseLeave, 0, 0), 1);
  EXPECT_EQ(log_, (std::vector<std::string>{"inner 675"}));

  // An empty procedure is refused and changes nothing.
  EXPECT_FALSE(desktop_->ReplaceProcedure(window, WindowProcedure{}).has_value());
  EXPECT_EQ(desktop_->SendMessage(window, kWmMouseLeave, 0, 0), 1);
}

TEST_F(GtkDesktopTest, EachWindowHasItsOwnChain) {
  const WindowHandle a = desktop_->HandleOf(widgets_[0]);
  const WindowHandle b = desktop_->HandleOf(widgets_[1]);
  ASSERT_TRUE(desktop_->ReplaceProcedure(a, Logging("a", 1)).has_value());
  ASSERT_TRUE(desktop_->ReplaceProcedure(b, Logging("b", 2)).has_value());
  EXPECT_EQ(desktop_->SendMessage(b, kWmActivate, 0, 0), 2);
  EXPECT_EQ(desktop_->SendMessage(a, kWmNcActivate, 0, 0), 1);
  EXPECT_EQ(log_, (std::vector<std::string>{"b 6", "a 134"}));
}

TEST_F(GtkDesktopTest, AProcedureMayUnhookItselfWhileHandlingAMessage) {
  const WindowHandle window = desktop_->HandleOf(widgets_[0]);
  ASSERT_TRUE(desktop_->ReplaceProcedure(window, Logging("base", 3)).has_value());
  auto base = std::make_shared<WindowProcedure>();
  auto replaced = desktop_->ReplaceProcedure(
      window, [this, base](WindowHandle w, std::uint32_t m, std::intptr_t wp, std::intptr_t lp) {
        log_.push_back("hook " + std::to_string(m));
        desktop_->ReplaceProcedure(w, *base);  // the chain no longer holds this hook
        return (*base)(w, m, wp, lp) + 100;
      });
  ASSERT_TRUE(replaced.has_value());
  *base = *replaced;
  EXPECT_EQ(desktop_->SendMessage(window, kWmMouseLeave, 0, 0), 103);
  EXPECT_EQ(desktop_->SendMessage(window, kWmMouseLeave, 0, 0), 3);
  EXPECT_EQ(log_, (std::vector<std::string>{"hook 675", "base 675", "base 675"}));
}

TEST_F(GtkDesktopTest, AThrowingProcedureAnswersZeroAndTheErrorStaysInside) {
  const WindowHandle window = desktop_->HandleOf(widgets_[0]);
  ASSERT_TRUE(desktop_
                  ->ReplaceProcedure(window,
                                     [](WindowHandle, std::uint32_t, std::intptr_t,
                                        std::intptr_t) -> std::intptr_t {
                                       throw std::runtime_error("hook failed");
                                     })
                  .has_value());
  std::intptr_t result = -1;
  EXPECT_NO_THROW(result = desktop_->SendMessage(window, kWmActivate, 1, 0));
  EXPECT_EQ(result, 0);
  // A posted message whose procedure throws does not break the main loop either.
  desktop_->PostMessage(window, kWmActivate, 1, 0);
  EXPECT_NO_THROW(RunFor(milliseconds(20)));
}

TEST_F(GtkDesktopTest, PostedMessagesArriveInOrderAfterTheCallReturns) {
  const WindowHandle a = desktop_->HandleOf(widgets_[0]);
  const WindowHandle b = desktop_->HandleOf(widgets_[1]);
  ASSERT_TRUE(desktop_->ReplaceProcedure(a, Logging("a", 0)).has_value());
  ASSERT_TRUE(desktop_->ReplaceProcedure(b, Logging("b", 0)).has_value());
  desktop_->PostMessage(a, kWmMouseLeave, 0, 0);
  desktop_->PostMessage(b, kWmActivate, 0, 0);
  desktop_->PostMessage(a, kWmThemeChanged, 0, 0);
  EXPECT_TRUE(log_.empty());
  ASSERT_TRUE(RunUntil([&] { return log_.size() == 3; }));
  EXPECT_EQ(log_, (std::vector<std::string>{"a 675", "b 6", "a 794"}));
}

TEST_F(GtkDesktopTest, MessagesPostedToAGoneDesktopAreDropped) {
  const WindowHandle a = desktop_->HandleOf(widgets_[0]);
  ASSERT_TRUE(desktop_->ReplaceProcedure(a, Logging("a", 0)).has_value());
  desktop_->PostMessage(a, kWmMouseLeave, 0, 0);
  desktop_.reset();
  RunFor(milliseconds(20));
  EXPECT_TRUE(log_.empty());
}

TEST_F(GtkDesktopTest, AThemeChangeReachesEveryWindow) {
  GtkSettings* settings = gtk_settings_get_default();
  ASSERT_NE(settings, nullptr);
  const WindowHandle a = desktop_->HandleOf(widgets_[0]);
  const WindowHandle b = desktop_->HandleOf(widgets_[1]);
  ASSERT_TRUE(desktop_->ReplaceProcedure(a, Logging("a", 0)).has_value());
  ASSERT_TRUE(desktop_->ReplaceProcedure(b, Logging("b", 0)).has_value());
  gchar* before = nullptr;
  g_object_get(settings, "gtk-theme-name", &before, nullptr);
  const std::string other =
      (before != nullptr && std::string(before) == "Adwaita") ? "HighContrast" : "Adwaita";
  g_object_set(settings, "gtk-theme-name", other.c_str(), nullptr);
  g_object_set(settings, "gtk-theme-name", before, nullptr);
  g_free(before);
  EXPECT_EQ(log_, (std::vector<std::string>{"a 794", "b 794", "a 794", "b 794"}));
}

}  // namespace
}  // namespace tovarin::platform::gtk
