#include "fileio/Message.h"

TMessage TMessage::Template(std::string text, std::vector<TMessage> args) {
  TMessage message(std::move(text));
  message.FTranslatable = true;
  message.FArgs = std::move(args);
  return message;
}

std::string TMessage::English() const {
  return Text([](const std::string& templ) { return templ; });
}

std::string TMessage::Text(
    const std::function<std::string(const std::string& templ)>& translate) const {
  if (!FTranslatable) return FText;
  std::vector<std::string> args;
  args.reserve(FArgs.size());
  for (const TMessage& arg : FArgs) args.push_back(arg.Text(translate));
  return FillTemplate(translate(FText), args);
}

std::string FillTemplate(const std::string& templ, const std::vector<std::string>& args) {
  std::string text;
  text.reserve(templ.size());
  for (std::size_t i = 0; i < templ.size(); ++i) {
    const char next = i + 1 < templ.size() ? templ[i + 1] : '\0';
    const std::size_t index = static_cast<std::size_t>(next - '1');
    if (templ[i] == '%' && next >= '1' && next <= '9' && index < args.size()) {
      text += args[index];
      ++i;
    } else {
      text += templ[i];
    }
  }
  return text;
}
