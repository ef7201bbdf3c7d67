#pragma once
// The application's one top-level error handler. Qt does not let an exception unwind through its
// event loop, so every event handler runs its body through Guard(), which hands the message of
// whatever was raised to the reporter (a message box) and returns to the event loop.
#include <functional>
#include <string>

class IErrorReporter {
 public:
  virtual ~IErrorReporter() = default;
  virtual void ShowError(const std::string& message) = 0;
};

// Replaces the reporter (tests put a recorder here); nullptr restores the message box.
void SetErrorReporter(IErrorReporter* reporter);

// Runs `body`; an exception is reported and swallowed here and nowhere else.
void Guard(const std::function<void()>& body) noexcept;
