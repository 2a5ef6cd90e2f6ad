// A Frontend that records every message and answers questions from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "core/frontend.h"

namespace kalora::test {

struct Message {
  enum Kind { error, information, question } kind;
  std::string text;
  bool operator==(const Message&) const = default;
};

class RecordingFrontend : public Frontend {
 public:
  std::vector<Message> messages;
  std::deque<bool> answers;  // answers to ask_yes_no, in order; No when empty

  void show_error(std::string_view text) override { messages.push_back({Message::error, std::string(text)}); }
  void show_information(std::string_view text) override {
    messages.push_back({Message::information, std::string(text)});
  }
  int cancel_saves = 0;  // the next this many save questions are answered "Отмена"

  SaveAnswer ask_save(std::string_view text) override {
    if (cancel_saves == 0) return Frontend::ask_save(text);
    --cancel_saves;
    messages.push_back({Message::question, std::string(text)});
    return SaveAnswer::cancel;
  }
  bool ask_yes_no(std::string_view text) override {
    messages.push_back({Message::question, std::string(text)});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace kalora::test
