#include "platform/host/window_procedure_chain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/platform/host/recording_hook.h"

namespace tovarin::platform {
namespace {

constexpr WindowHandle kWindow = 0x1000;

// A procedure that logs "name message" and returns `result`.
WindowProcedure Logging(std::vector<std::string>& log, std::string name, std::intptr_t result) {
  return [&log, name, result](WindowHandle, std::uint32_t message, std::intptr_t, std::intptr_t) {
    log.push_back(name + " " + std::to_string(message));
    return result;
  };
}

using testing::RecordingHook;

TEST(WindowProcedureChain, ANewChainSendsToItsDefaultProcedure) {
  struct Seen {
    WindowHandle window;
    std::uint32_t message;
    std::intptr_t wparam;
    std::intptr_t lparam;
  };
  std::vector<Seen> seen;
  WindowProcedureChain chain(
      [&seen](WindowHandle w, std::uint32_t m, std::intptr_t wp, std::intptr_t lp) {
        seen.push_back(Seen{w, m, wp, lp});
        return std::intptr_t{77};
      });
  EXPECT_EQ(chain.Send(kWindow, kWmActivate, 1, -5), 77);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].window, kWindow);
  EXPECT_EQ(seen[0].message, static_cast<std::uint32_t>(kWmActivate));
  EXPECT_EQ(seen[0].wparam, 1);
  EXPECT_EQ(seen[0].lparam, -5);
}

TEST(WindowProcedureChain, ReplaceReturnsTheReplacedProcedureAndTheNewOneTakesTheMessages) {
  std::vector<std::string> log;
  WindowProcedureChain chain(Logging(log, "default", 1));
  std::optional<WindowProcedure> previous = chain.Replace(Logging(log, "hook", 2));
  ASSERT_TRUE(previous.has_value());
  EXPECT_EQ(chain.Send(kWindow, 6, 0, 0), 2);
  EXPECT_EQ((*previous)(kWindow, 134, 0, 0), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"hook 6", "default 134"}));
}

// A chain with two hooks installed on its default procedure (which returns 9): a1, then a2.
class TwoHooks : public ::testing::Test {
 protected:
  void SetUp() override {
    first_.previous = *chain_.Replace(first_.Procedure());
    second_.previous = *chain_.Replace(second_.Procedure());
  }

  std::vector<std::string> log_;
  WindowProcedureChain chain_{Logging(log_, "default", 9)};
  RecordingHook first_{&log_, "a1", {}};
  RecordingHook second_{&log_, "a2", {}};
};

TEST_F(TwoHooks, TheLastHookInstalledSeesAMessageFirstAndTheDefaultLast) {
  EXPECT_EQ(chain_.Send(kWindow, 134, 1, 0), 9);
  EXPECT_EQ(log_, (std::vector<std::string>{"a2 before 134", "a1 before 134", "default 134",
                                            "a1 after 134 1", "a2 after 134 1"}));
}

TEST_F(TwoHooks, PuttingTheReturnedProcedureBackUnhooks) {
  // Unhooking the last one leaves the first in place.
  EXPECT_TRUE(chain_.Replace(second_.previous).has_value());
  chain_.Send(kWindow, 6, 0, 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"a1 before 6", "default 6", "a1 after 6 0"}));
  // Putting back what the first hook replaced restores the default procedure alone.
  log_.clear();
  EXPECT_TRUE(chain_.Replace(first_.previous).has_value());
  chain_.Send(kWindow, 6, 0, 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"default 6"}));
}

TEST_F(TwoHooks, RestoringAnEarlierProcedureDropsEveryHookInstalledAfterIt) {
  EXPECT_TRUE(chain_.Replace(first_.previous).has_value());
  chain_.Send(kWindow, 6, 0, 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"default 6"}));
}

TEST(WindowProcedureChain, AnEmptyProcedureIsRefusedAndChangesNothing) {
  std::vector<std::string> log;
  WindowProcedureChain chain(Logging(log, "default", 3));
  EXPECT_FALSE(chain.Replace(WindowProcedure()).has_value());
  EXPECT_EQ(chain.Send(kWindow, 6, 0, 0), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"default 6"}));
}

TEST(WindowProcedureChain, AProcedureThatUnhooksItselfRunsToItsEnd) {
  std::vector<std::string> log;
  WindowProcedureChain chain(Logging(log, "default", 5));
  // The hook's state lives only in its own captures; the chain drops them when the hook puts
  // the default back, in the middle of the hook's run.
  auto state = std::make_shared<std::string>("hook");
  const std::weak_ptr<std::string> watch = state;
  auto previous = std::make_shared<WindowProcedure>();
  *previous =
      *chain.Replace([&chain, &log, &watch, previous, state = std::move(state)](
                         WindowHandle w, std::uint32_t m, std::intptr_t wp, std::intptr_t lp) {
        log.push_back(*state + " unhooks");
        (void)chain.Replace(*previous);
        // Still alive: the running procedure is not the chain's copy.
        log.push_back(watch.expired() ? "state gone" : *state + " still has its state");
        return (*previous)(w, m, wp, lp) + 100;
      });
  EXPECT_EQ(chain.Send(kWindow, 6, 0, 0), 105);
  EXPECT_TRUE(watch.expired());  // the hook is gone once its run ended
  EXPECT_EQ(chain.Send(kWindow, 7, 0, 0), 5);
  EXPECT_EQ(log, (std::vector<std::string>{"hook unhooks", "hook still has its state", "default 6",
                                           "default 7"}));
}

TEST(WindowProcedureChain, AProcedureInstalledDuringASendTakesTheNextMessage) {
  std::vector<std::string> log;
  WindowProcedureChain chain(Logging(log, "default", 1));
  std::optional<WindowProcedure> replaced;
  (void)chain.Replace([&](WindowHandle, std::uint32_t m, std::intptr_t, std::intptr_t) {
    log.push_back("installer " + std::to_string(m));
    replaced = chain.Replace(Logging(log, "late", 2));
    return std::intptr_t{4};
  });
  EXPECT_EQ(chain.Send(kWindow, 6, 0, 0), 4);  // the running one's result, not the new one's
  EXPECT_TRUE(replaced.has_value());
  EXPECT_EQ(chain.Send(kWindow, 7, 0, 0), 2);
  EXPECT_EQ(log, (std::vector<std::string>{"installer 6", "late 7"}));
}

}  // namespace
}  // namespace tovarin::platform
