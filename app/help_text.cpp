#include "app/help_text.h"

namespace kalora::app {

namespace {

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::vector<std::string> split_keywords(std::string_view list) {
  std::vector<std::string> out;
  while (!list.empty()) {
    const auto end = list.find(';');
    const auto word = trim(list.substr(0, end));
    if (!word.empty()) out.emplace_back(word);
    if (end == std::string_view::npos) break;
    list.remove_prefix(end + 1);
  }
  return out;
}

HelpTopic start_topic(std::string_view heading) {
  HelpTopic topic;
  const auto bar = heading.find('|');
  if (bar == std::string_view::npos) {
    topic.title = trim(heading);
  } else {
    topic.id = trim(heading.substr(0, bar));
    topic.title = trim(heading.substr(bar + 1));
  }
  return topic;
}

}  // namespace

HelpText parse_help(std::string_view text) {
  HelpText help;
  bool open_paragraph = false;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::string_view line = trim(raw);

    if (line.starts_with('#')) continue;
    if (line.starts_with('=')) {
      help.topics.push_back(start_topic(line.substr(1)));
      if (help.topics.back().id.empty()) help.topics.back().id = "topic" + std::to_string(help.topics.size());
      open_paragraph = false;
      continue;
    }
    if (help.topics.empty()) continue;
    HelpTopic& topic = help.topics.back();
    if (line.empty()) {
      open_paragraph = false;
    } else if (line.starts_with('!')) {
      for (auto& k : split_keywords(line.substr(1))) topic.keywords.push_back(std::move(k));
    } else if (line.starts_with("- ")) {
      topic.blocks.push_back({HelpBlock::item, std::string(trim(line.substr(2)))});
      open_paragraph = true;  // the next lines continue the item
    } else if (open_paragraph) {
      topic.blocks.back().text += ' ';
      topic.blocks.back().text += line;
    } else {
      topic.blocks.push_back({HelpBlock::paragraph, std::string(line)});
      open_paragraph = true;
    }
  }
  return help;
}

std::vector<HelpIndexEntry> HelpText::index() const {
  std::vector<HelpIndexEntry> entries;
  for (std::size_t t = 0; t < topics.size(); ++t) {
    entries.push_back({topics[t].title, t});
    for (const auto& k : topics[t].keywords) entries.push_back({k, t});
  }
  return entries;
}

}  // namespace kalora::app
