#pragma once
// Texts for the user as English templates with arguments ("archive not found: %1"). The
// command-line tools print them in English; the window translates each template first (in the
// translation context "Message") and then fills in the arguments, so that no layer below the
// window needs the toolkit.
#include <functional>
#include <string>
#include <vector>

// Marks a template for Qt's translation tools without including Qt; the toolkit defines it alike.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

class TMessage {
 public:
  TMessage() = default;
  // Text shown as it is, in any language: a path, a number, the system's own error text.
  TMessage(std::string text) : FText(std::move(text)) {}  // NOLINT: plain text is the usual case
  TMessage(const char* text) : FText(text) {}             // NOLINT

  // A template to translate, %1 to %9 standing for `args`; mark the literal with
  // QT_TRANSLATE_NOOP("Message", ...).
  static TMessage Template(std::string text, std::vector<TMessage> args = {});

  bool IsEmpty() const { return FText.empty() && FArgs.empty(); }
  std::string English() const;
  // The text with every template (this one's and its arguments') given by `translate` first.
  std::string Text(const std::function<std::string(const std::string& templ)>& translate) const;

 private:
  std::string FText;
  bool FTranslatable = false;
  std::vector<TMessage> FArgs;
};

// Fills %1 to %9 of `templ` with `args` in one pass (an argument's own "%1" stays as it is).
std::string FillTemplate(const std::string& templ, const std::vector<std::string>& args);
