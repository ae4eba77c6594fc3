// The window thread under a worker whose changes come faster than it takes them, as a run over
// servers that answer at once: posted messages come before input and paint, yet a key typed
// meanwhile and the table's repaint must get in between the changes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "form_fixture.h"

namespace kestrane::win32 {
namespace {

TEST_F(FormWindowTest, AKeyAndPaintComeInBetweenTheChangesOfABusyWorker) {
  HWND grid = H(form->StringGrid1);
  testing::Settle();  // the window's first paint is behind it
  std::atomic<bool> stop{false}, streaming{true};
  std::thread worker([&] {
    // Changes in bursts, each closed by a read, until told to stop or given up on.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; !stop && std::chrono::steady_clock::now() < until; ++i) {
      for (int cell = 0; cell < 50; ++cell) {
        dispatcher->Post([&, i, cell] { form->StringGrid1.SetCell(3 + cell % 5, 0, std::to_string(i)); });
      }
      dispatcher->Invoke([] {});
    }
    streaming = false;
  });
  ASSERT_EQ(::GetFocus(), H(form->Memo2));
  INPUT key[2]{};
  for (INPUT& k : key) {
    k.type = INPUT_KEYBOARD;
    k.ki.wScan = L'x';
    k.ki.dwFlags = KEYEVENTF_UNICODE;
  }
  key[1].ki.dwFlags |= KEYEVENTF_KEYUP;
  ::SendInput(2, key, sizeof(INPUT));

  // The program's own loop, counting the table's repaints.
  int paints = 0;
  bool typedWhileStreaming = false;
  while (streaming && !typedWhileStreaming) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_PAINT && msg.hwnd == grid) ++paints;
      if (!DialogKeyboard(msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
      }
      if (form->Memo2.Text() == "x" && paints > 0) {
        typedWhileStreaming = streaming;
        break;
      }
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  stop = true;
  PumpUntil([&] { return !streaming; });
  worker.join();
  EXPECT_TRUE(typedWhileStreaming) << "key " << (form->Memo2.Text() == "x") << ", repaints " << paints;
}

}  // namespace
}  // namespace kestrane::win32
