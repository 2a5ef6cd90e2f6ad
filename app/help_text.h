// The help file "kalora.hlp": UTF-8 text in topics.
//
//   = id | Title          starts a topic
//   ! word; other word    index entries of the topic
//   - text                an item of a list
//   text                  a paragraph; a blank line ends it
//   # text                a comment line
//
// The contents list the topics in file order; the index lists every entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalora::app {

struct HelpBlock {
  enum Kind { paragraph, item } kind = paragraph;
  std::string text;
  bool operator==(const HelpBlock&) const = default;
};

struct HelpTopic {
  std::string id;
  std::string title;
  std::vector<std::string> keywords;
  std::vector<HelpBlock> blocks;
};

struct HelpIndexEntry {
  std::string keyword;
  std::size_t topic = 0;  // position in HelpText::topics
};

struct HelpText {
  std::vector<HelpTopic> topics;
  // Every topic title and index entry, in file order; the help window sorts them
  // by the reader's alphabet.
  std::vector<HelpIndexEntry> index() const;
};

// Text before the first topic and lines that fit no rule are dropped.
HelpText parse_help(std::string_view text);

}  // namespace kalora::app
