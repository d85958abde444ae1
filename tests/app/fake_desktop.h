// A desktop without a window: the song number is set by the test, message boxes and
// the clipboard are recorded, and the event pump runs what the test scripts.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/desktop.h"

namespace ximing::testing_support {

class FakeDesktop : public Desktop {
 public:
  std::string typed;
  std::vector<std::string> messages;
  std::optional<std::string> clipboard;
  int clipboardWrites = 0;
  int pumpRuns = 0;
  // Runs inside the pump, before it answers; answering false says the window closed.
  std::function<bool(int run)> onPump;

  Text songNumber() override { return typed; }
  void showMessage(const Text& text) override { messages.push_back(text); }
  // When false the clipboard cannot be written, as when another program holds it.
  bool clipboardWorks = true;
  bool setClipboardText(const Text& text) override {
    ++clipboardWrites;
    if (!clipboardWorks) return false;
    clipboard = text;
    return true;
  }
  bool processPendingEvents() override {
    ++pumpRuns;
    return onPump ? onPump(pumpRuns) : true;
  }
};

}  // namespace ximing::testing_support
