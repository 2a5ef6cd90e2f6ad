#include "app/help_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kalora::app {
namespace {

TEST(HelpText, TopicsKeywordsParagraphsAndItems) {
  const auto help = parse_help(
      "# a comment\n"
      "text before any topic\n"
      "= one | Первый раздел\n"
      "! слово; другое слово ;\n"
      "Абзац в две\n"
      "строки.\n"
      "\n"
      "- пункт\n"
      "  с продолжением\n"
      "- второй пункт\n"
      "\n"
      "Второй абзац.\r\n"
      "=Без метки\n"
      "!одно\n");
  ASSERT_EQ(help.topics.size(), 2u);
  const auto& first = help.topics[0];
  EXPECT_EQ(first.id, "one");
  EXPECT_EQ(first.title, "Первый раздел");
  EXPECT_EQ(first.keywords, (std::vector<std::string>{"слово", "другое слово"}));
  EXPECT_EQ(first.blocks, (std::vector<HelpBlock>{{HelpBlock::paragraph, "Абзац в две строки."},
                                                  {HelpBlock::item, "пункт с продолжением"},
                                                  {HelpBlock::item, "второй пункт"},
                                                  {HelpBlock::paragraph, "Второй абзац."}}));
  EXPECT_EQ(help.topics[1].id, "topic2");
  EXPECT_EQ(help.topics[1].title, "Без метки");

  const auto index = help.index();
  ASSERT_EQ(index.size(), 5u);  // two titles and three entries
  EXPECT_EQ(index[4].keyword, "одно");
  EXPECT_EQ(index[4].topic, 1u);
}

TEST(HelpText, ShippedHelpExplainsEveryCommand) {
  std::ifstream in(KALORA_SOURCE_DIR "/resources/kalora.hlp", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const auto help = parse_help(text.str());
  ASSERT_GE(help.topics.size(), 10u);
  std::string all;
  for (const auto& t : help.topics) {
    EXPECT_FALSE(t.blocks.empty()) << t.title;
    all += t.title + "\n";
    for (const auto& b : t.blocks) all += b.text + "\n";
  }
  for (const char* command : {"Создать",
                              "Открыть",
                              "Дополнить",
                              "Сохранить",
                              "Закрыть",
                              "Предварительный просмотр",
                              "Печать",
                              "Экспорт в Excel",
                              "Загрузить bin файл",
                              "Выход",
                              "Удалить строки",
                              "Выровнять столбцы",
                              "Задать цвет",
                              "Убрать цвет",
                              "Убрать все цвета",
                              "Убрать сортировку",
                              "Помощь",
                              "О программе",
                              "Ctrl+N",
                              "Ctrl+O",
                              "Ctrl+S",
                              "Ctrl+P",
                              "F1",
                              "Анализ наблюдений",
                              "Ctrl+W",
                              "Alt+X",
                              "F10",
                              "Ctrl+Tab",
                              "Shift+F10",
                              "F6",
                              "Принтер не установлен"})
    EXPECT_NE(all.find(command), std::string::npos) << command;
}

}  // namespace
}  // namespace kalora::app
