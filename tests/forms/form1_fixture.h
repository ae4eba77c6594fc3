// A TForm1 without any window system: recording boxes, a simulated fleet, the image set in a
// temporary file.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/recording_window.h"
#include "core/simulated_disk_query.h"
#include "forms/unit1.h"
#include "imageset/default_images.h"

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
