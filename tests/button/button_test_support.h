#pragma once
// Buttons on a headless form for the behaviour tests. Each button is drawn by the real drawing
// code through a painter that also counts the redraws and region rebuilds it is asked for.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "button/button_painter.h"
#include "button/teskbutton.h"
#include "platform/headless/controls/headless_desktop.h"
#include "platform/headless/controls/headless_form.h"
#include "platform/headless/controls/headless_host.h"

namespace tovarin::button::testing {

namespace headless = platform::headless;

class CountingPainter final : public ButtonPainter {
 public:
  explicit CountingPainter(int& redraws, int& regions) : redraws_(redraws), regions_(regions) {}
  void Redraw(ButtonModel& model, ButtonCanvas& canvas) override {
    ++redraws_;
    real_->Redraw(model, canvas);
  }
  void UpdateRegion(ButtonModel& model, ButtonCanvas& canvas) override {
    ++regions_;
    real_->UpdateRegion(model, canvas);
  }

 private:
  int& redraws_;
  int& regions_;
  std::unique_ptr<ButtonPainter> real_ = MakeRenderPainter();
};

// One button and its host.
struct PlacedButton {
  headless::HeadlessHost* host = nullptr;
  std::unique_ptr<teskbutton> button;
  int redraws = 0;
  int regions = 0;

  teskbutton& operator*() { return *button; }
  teskbutton* operator->() { return button.get(); }
  const ButtonModel& model() const { return button->Model(); }
  std::vector<std::string> events() const { return host->EventNames(); }
  void ClearRecords() {
    host->ClearRecords();
    redraws = 0;
    regions = 0;
  }
};

class ButtonFixture : public ::testing::Test {
 protected:
  // The button is placed (not yet initialised): call InitNew or ReadProperties on its host.
  PlacedButton& Place(headless::HostOptions options = {}, headless::HeadlessForm* form = nullptr) {
    auto placed = std::make_unique<PlacedButton>();
    placed->host = &(form != nullptr ? *form : form_).AddHost(std::move(options));
    placed->button = std::make_unique<teskbutton>(
        *placed->host, std::make_unique<CountingPainter>(placed->redraws, placed->regions));
    placed->host->Attach(*placed->button);
    placed->host->Show();
    buttons_.push_back(std::move(placed));
    return *buttons_.back();
  }

  // A new button (InitNew), shown, with its first paint done and records cleared.
  PlacedButton& NewButton(headless::HostOptions options = {}) {
    PlacedButton& placed = Place(std::move(options));
    placed.host->InitNew();
    desktop_.RunPending();
    placed.ClearRecords();
    return placed;
  }

  // A button loaded from `store` (run time unless the options say otherwise), records cleared.
  PlacedButton& LoadedButton(const platform::PropertyStore& store,
                             headless::HostOptions options = {},
                             headless::HeadlessForm* form = nullptr) {
    PlacedButton& placed = Place(std::move(options), form);
    EXPECT_TRUE(placed.host->ReadProperties(store).ok());
    desktop_.RunPending();
    placed.ClearRecords();
    return placed;
  }

  // Names of the events raised by `placed` since its records were cleared.
  static std::vector<std::string> Events(const PlacedButton& placed) { return placed.events(); }

  // A store that loads a button of `style` (default: Rounded) in `mode`, with `caption`.
  static platform::PropertyStore StoreWith(ModeValue mode = ModeValue::kPushButton,
                                           std::string caption = "Button",
                                           ButtonStyleValue style = ButtonStyleValue::kRounded) {
    platform::PropertyStore store;
    store.WriteInt32("ButtonStyle", static_cast<std::int32_t>(style), std::nullopt);
    store.WriteInt32("Mode", static_cast<std::int32_t>(mode), std::nullopt);
    store.WriteString("Caption", std::move(caption), std::nullopt);
    return store;
  }

  headless::HeadlessDesktop desktop_;
  headless::HeadlessForm form_{desktop_};
  // Other forms a test makes; before the buttons, so the buttons die first.
  std::vector<std::unique_ptr<headless::HeadlessForm>> other_forms_;
  // After the form: buttons die before their hosts.
  std::vector<std::unique_ptr<PlacedButton>> buttons_;
};

}  // namespace tovarin::button::testing
