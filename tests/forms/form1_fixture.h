// A TForm1 without any window system: recording boxes, a simulated fleet, the image set in a
// temporary file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/pump.h"
#include "forms/unit1.h"
#include "imageset/default_images.h"
#include "support/simulated_disk_query.h"

namespace kestrane {

inline constexpr std::int64_t kGiB = 1073741824;

class RecordingDialogs : public Dialogs {
 public:
  std::vector<std::string> information, errors, questions;
  bool answer = true;
  void Information(const std::string& text) override { information.push_back(text); }
  bool Confirm(const std::string& text) override {
    questions.push_back(text);
    return answer;
  }
  void Error(const std::string& text) override { errors.push_back(text); }
};

// The notification area as the tray icon uses it: every call with what the icon showed then.
class RecordingTray : public TrayPeer {
 public:
  TCoolTrayIcon* icon = nullptr;
  std::vector<std::string> calls;  // "add 5 hint", "modify 6 hint", "remove", "balloon title|text|3|11"
  std::vector<TrayBalloon> balloons;
  bool present = false;
  void Add() override {
    present = true;
    calls.push_back("add " + std::to_string(icon->ShownImage()) + " " + icon->ShownHint());
  }
  void Modify() override { calls.push_back("modify " + std::to_string(icon->ShownImage()) + " " + icon->ShownHint()); }
  void Remove() override {
    present = false;
    calls.push_back("remove");
  }
  void ShowBalloon(const TrayBalloon& balloon) override {
    balloons.push_back(balloon);
    calls.push_back("balloon " + balloon.title);
  }
};

class Form1Test : public ::testing::Test {
 protected:
  std::shared_ptr<QueueDispatcher> dispatcher = std::make_shared<QueueDispatcher>();
  std::shared_ptr<SimulatedFleet> fleet = std::make_shared<SimulatedFleet>();
  RecordingDialogs dialogs;
  std::string imageFile = ::testing::TempDir() + "kestrane_form_resources.dat";
  std::unique_ptr<TForm1> form;

  // What the form is given; a test may change it before Create.
  FormServices services{dispatcher, &dialogs, SimulatedFleet::Factory(fleet), imageFile};

  void Create(bool withImageSet = true) {
    std::remove(imageFile.c_str());
    if (withImageSet) SaveImageSet(imageFile, DefaultImageSet());
    form = std::make_unique<TForm1>(services);
  }
  void TearDown() override {
    fleet->ReleaseBlocked();
    if (form) {
      EXPECT_TRUE(testing::PumpUntil(*dispatcher, [&] { return form->LiveWorkers() == 0; }));
    }
    form.reset();
    std::remove(imageFile.c_str());
  }
  void RunToEnd() {
    form->BtnStart.Click();
    ASSERT_TRUE(testing::PumpUntil(*dispatcher, [&] { return !form->RunActive(); }));
  }
};

}  // namespace kestrane
