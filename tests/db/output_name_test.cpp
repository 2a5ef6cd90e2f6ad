// The name of an output: never the open database or one of its files, an existing
// file replaced only after the question, a refusal followed by the dialog again.
#include "db/output_name.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "db/leftovers.h"
#include "db_fixture.h"

namespace kalora::test {
namespace {

TEST(OutputName, NeverTheOpenDatabaseAndNothingReplacedUnasked) {
  TempDir dir;
  const std::string db = dir.file("база.db");
  for (const std::string& f : {db, db + "1", dir.file("other.pdf")}) write_bytes(f, {'x'});
  std::filesystem::create_directory(dir.path() / "sub");
#ifndef _WIN32
  std::filesystem::create_symlink(utf8_path(db), dir.path() / "link.pdf");
#endif
  struct Case {
    std::string name;  // the first answer of the dialog; the second one cancels
    bool db_open;
    std::deque<bool> answers;  // to "Заменить?"
    bool chosen;               // the name comes back
    std::vector<Message::Kind> asked;
  };
  const std::vector<Case> cases{
      {db, true, {}, false, {Message::error}},
      {dir.file("sub/../база.db"), true, {}, false, {Message::error}},
#ifndef _WIN32
      {dir.file("link.pdf"), true, {}, false, {Message::error}},
#endif
      {db + "1", true, {}, false, {Message::error}},
      {db + "3", true, {}, false, {Message::error}},  // a working copy not made yet
      {busy_marker(db), true, {}, false, {Message::error}},
      {dir.file("other.pdf"), true, {true}, true, {Message::question}},
      {dir.file("other.pdf"), true, {false}, false, {Message::question}},
      {dir.file("new.pdf"), true, {}, true, {}},
      {dir.file("sub"), true, {}, false, {Message::error}},  // a folder
      {db, false, {true}, true, {Message::question}},        // no database open: an ordinary file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + (c.db_open ? " open" : " closed"));
    State state;
    state.db_name = db;
    state.db_open = c.db_open;
    ScriptedFrontend frontend;
    frontend.files = {c.name};
    frontend.answers = c.answers;
    const std::string got =
        choose_output_file(state, frontend, {FileDialogRequest::Kind::save, "PDF|*.pdf", "pdf", {}});
    EXPECT_EQ(got, c.chosen ? c.name : "");
    EXPECT_EQ(frontend.requests.size(), c.chosen ? 1u : 2u);  // refused or "Нет": the dialog comes again
    ASSERT_EQ(frontend.messages.size(), c.asked.size());
    for (std::size_t i = 0; i < c.asked.size(); ++i) EXPECT_EQ(frontend.messages[i].kind, c.asked[i]);
    if (!c.asked.empty() && c.asked[0] == Message::error && c.name != dir.file("sub"))
      EXPECT_EQ(
          frontend.messages[0].text.rfind("Файл " + file_name_of(c.name) + " - это открытая база данных база.db", 0),
          0u)
          << frontend.messages[0].text;
    if (!c.asked.empty() && c.asked[0] == Message::question)
      EXPECT_EQ(frontend.messages[0].text, "Файл " + file_name_of(c.name) + " уже существует. Заменить его?");
    EXPECT_EQ(read_bytes(db), (std::vector<unsigned char>{'x'}));
  }
}

}  // namespace
}  // namespace kalora::test
