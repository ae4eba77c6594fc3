// The three standard boxes as the user meets them: captions, icons, buttons, Esc and Enter.
#include "toolkit/win32/message_boxes.h"

#include <gtest/gtest.h>

#include "ui_driver.h"

namespace kestrane::win32 {
namespace {

using testing::AnswerBox;
using testing::PostKeyToFocus;
using testing::SeenBox;

class MessageBoxTest : public ::testing::Test {
 protected:
  MessageBoxes boxes{"Kestrane 1.0"};
  DWORD thread = ::GetCurrentThreadId();
};

TEST_F(MessageBoxTest, AConfirmationAsksWithYesAndNoEscAnswersNoAndEnterYes) {
  SeenBox seen;
  std::thread helper = AnswerBox(thread, [&](const SeenBox&) { PostKeyToFocus(thread, VK_ESCAPE); }, &seen);
  EXPECT_FALSE(boxes.Confirm("Действительно выйти? "));
  helper.join();
  EXPECT_EQ(seen.caption, L"Confirm");
  EXPECT_EQ(seen.text, L"Действительно выйти? ");
  EXPECT_EQ(seen.buttons, (std::vector<std::wstring>{L"Yes", L"No"}));
  EXPECT_TRUE(seen.icon);
  EXPECT_EQ(seen.focused, L"Yes");
  EXPECT_TRUE(seen.defaultButtonFocused);

  helper = AnswerBox(thread, [&](const SeenBox&) { PostKeyToFocus(thread, VK_RETURN); });
  EXPECT_TRUE(boxes.Confirm("Перезагрузить сервер srv01?"));
  helper.join();

  // Tab to No, then Enter presses it; the close button answers No as well.
  helper = AnswerBox(thread, [&](const SeenBox&) {
    PostKeyToFocus(thread, VK_TAB);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    PostKeyToFocus(thread, VK_RETURN);
  });
  EXPECT_FALSE(boxes.Confirm("?"));
  helper.join();
  helper = AnswerBox(thread, [&](const SeenBox& box) { ::PostMessageW(box.hwnd, WM_CLOSE, 0, 0); });
  EXPECT_FALSE(boxes.Confirm("?"));
  helper.join();
}

TEST_F(MessageBoxTest, TheInformationBoxHasTheTitleNoIconAndOk) {
  SeenBox seen;
  std::thread helper = AnswerBox(thread, [&](const SeenBox&) { PostKeyToFocus(thread, VK_RETURN); }, &seen);
  boxes.Information("Вы не указали ни один объект!");
  helper.join();
  EXPECT_EQ(seen.caption, L"Kestrane 1.0");
  EXPECT_EQ(seen.text, L"Вы не указали ни один объект!");
  EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_FALSE(seen.icon);
  helper = AnswerBox(thread, [&](const SeenBox&) { PostKeyToFocus(thread, VK_ESCAPE); });
  boxes.Information("Esc closes it too");
  helper.join();
}

TEST_F(MessageBoxTest, TheErrorBoxHasTheTitleTheStopIconAndOk) {
  SeenBox seen;
  std::thread helper = AnswerBox(thread, [&](const SeenBox&) { PostKeyToFocus(thread, VK_ESCAPE); }, &seen);
  boxes.Error("'' is not a valid integer value.");
  helper.join();
  EXPECT_EQ(seen.caption, L"Kestrane 1.0");
  EXPECT_EQ(seen.text, L"'' is not a valid integer value.");
  EXPECT_EQ(seen.buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_TRUE(seen.icon);
}

TEST_F(MessageBoxTest, ALongTextWrapsAndTheBoxStaysOnTheScreen) {
  SeenBox seen;
  RECT box{}, work{};
  std::thread helper = AnswerBox(
      thread,
      [&](const SeenBox& b) {
        ::GetWindowRect(b.hwnd, &box);
        PostKeyToFocus(thread, VK_RETURN);
      },
      &seen);
  std::string text;
  for (int i = 0; i < 60; ++i) text += "сервер" + std::to_string(i) + " ";
  boxes.Information(text);
  helper.join();
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_GE(box.left, work.left);
  EXPECT_LE(box.right, work.right);
  EXPECT_GE(box.top, work.top);
  EXPECT_LT(box.right - box.left, (work.right - work.left) * 3 / 4);
}

}  // namespace
}  // namespace kestrane::win32
