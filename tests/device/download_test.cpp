#include "device/download.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "download_fakes.h"

namespace kalora {
namespace {

using test::Bench;
using test::dump;
using test::encode;
using test::Message;
using test::reply;

// The platform's serial ports: \\.\COM1 and \\.\COM2 on Windows.
#ifdef _WIN32
constexpr const char* first_port = "\\\\.\\COM1";
constexpr const char* second_port = "\\\\.\\COM2";
constexpr const char* ports_shown = "COM1, COM2";
#else
constexpr const char* first_port = "/dev/ttyS0";
constexpr const char* second_port = "/dev/ttyS1";
constexpr const char* ports_shown = "/dev/ttyS0, /dev/ttyS1";
#endif
const std::string no_device = "Прибор не обнаружен! Проверте правильность подключения согласно инструкции!";
const std::string where_to_choose = ". Порт прибора выбирается командой «Файл → Порт прибора…».";

std::vector<std::uint8_t> payload_of(std::size_t size, std::uint8_t methods = 3, std::uint8_t model = 1) {
  std::vector<std::uint8_t> p(size);
  for (std::size_t i = 0; i < size; ++i) p[i] = static_cast<std::uint8_t>(i * 13 + 7);
  p[9] = methods;
  p[11] = model;
  return p;
}

TEST(Download, OpeningAsksTheFirstPort) {
  Bench b;
  b.view.methods = b.view.device_name = b.view.version = "old";
  b.download.open();
  EXPECT_EQ(b.link.events, (std::vector<std::string>{std::string("open ") + first_port, "send V"}));
  EXPECT_TRUE(b.timer.running);
  EXPECT_EQ(b.timer.interval, 3000);
  EXPECT_EQ(b.view.status, "Поиск прибора: " + port_display_name(first_port) + " …");
  EXPECT_EQ(b.view.caption, "0% - Прием данных");
  EXPECT_EQ(b.view.progress, 0);
  EXPECT_EQ(b.view.methods + b.view.device_name + b.view.version, "");
}

TEST(Download, IdentificationReplies) {
  struct Case {
    const char* name;
    std::string chars;
    bool accepted;
    std::string device_name;
    std::string version;
    std::uint16_t expected_len;
  };
  const std::vector<Case> cases{
      {"heat-conductivity meter", "5011020>0", true, "КАЛОРА-5", "14.02.01", 10316},
      {"heat-flow meter", reply(5, '2', 3, 11, 0), true, "КАЛОРА-5-Поток", "03.11.00", 13332},
      {"subtype 0", reply(5, '0', 200, 9, 10), true, "КАЛОРА-5", "200.09.10", 10316},
      {"wrong type, subtype 3", reply(4, '3'), false, "", "", 0},
      {"wrong type", reply(6, '1'), false, "", "", 0},
      {"subtype 3", reply(5, '3'), false, "", "", 0},
      {"subtype below '0'", reply(5, '/'), false, "", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.download.open();
    // The reply counts as soon as its ninth character is in, however it is split,
    // and it is always the last nine characters.
    const std::string chars = c.chars.size() == 9 ? c.chars : c.chars.substr(c.chars.size() - 9);
    b.feed("::");
    b.feed(chars.substr(0, 1));
    b.feed(chars.substr(1, 3));
    EXPECT_EQ(b.link.sent(), "V");
    // A further chunk or time-out while the message is open reaches a finished download.
    b.frontend.during_message = [&] {
      b.feed(chars);
      b.advance(10000);
    };
    b.feed(chars.substr(4));
    if (c.accepted) {
      EXPECT_EQ(b.link.sent(), "VF");
      EXPECT_EQ(b.download.rx_stage(), 'F');
      EXPECT_EQ(b.download.rx_count(), 0);
      EXPECT_EQ(b.download.expected_len(), c.expected_len);
      EXPECT_EQ(b.view.device_name, c.device_name);
      EXPECT_EQ(b.view.version, c.version);
      EXPECT_EQ(b.view.status, "Идет прием информации ...");
      EXPECT_TRUE(b.timer.running);  // only the 'S' stops it
      EXPECT_TRUE(b.frontend.messages.empty());
      EXPECT_EQ(b.view.result, test::FakeView().result);
    } else {
      EXPECT_EQ(b.frontend.messages, (std::vector<Message>{{Message::error, "Вы подключили не тот прибор !"}}));
      EXPECT_EQ(b.view.result, ModalResult::cancel);
      EXPECT_EQ(b.view.ends, 1);
      EXPECT_FALSE(b.link.is_open);
      EXPECT_FALSE(b.timer.running);
      EXPECT_EQ(b.link.sent(), "V");
    }
  }
}

TEST(Download, WrongInstrumentMessageShowsOnceEvenIfTheLineGoesOn) {
  Bench b;
  b.download.open();
  int reentries = 0;
  b.frontend.during_message = [&] {
    ++reentries;
    b.feed(reply(4, '3'));
    b.advance(7000);
  };
  b.feed(reply(4, '3'));
  EXPECT_EQ(reentries, 1);
  EXPECT_EQ(b.frontend.messages.size(), 1u);
  EXPECT_EQ(b.link.events.back(), "close");
  EXPECT_EQ(b.view.ends, 1);
}

TEST(Download, MethodsAndModelOfTheHeatConductivityMeter) {
  struct Case {
    const char* name;
    char subtype;
    std::uint8_t methods;
    std::uint8_t model;
    std::string methods_text;
    std::vector<int> tab_sheets;
    std::string device_name;
  };
  const std::vector<Case> cases{
      {"methods 0, model 0", '1', 0, 0, "", {}, "КАЛОРА-5-100"},
      {"methods 5, model 1", '1', 5, 1, "Стационарный; Поток; ", {1, 3}, "КАЛОРА-5-250"},
      {"methods 3", '1', 3, 1, "Стационарный; Зонд; ", {1, 2}, "КАЛОРА-5-250"},
      {"other bits only", '1', 0xF8, 0, "", {}, "КАЛОРА-5-100"},
      {"unknown model", '1', 2, 7, "Зонд; ", {2}, "КАЛОРА-5"},
      {"subtype 0", '0', 7, 1, "", {}, "КАЛОРА-5"},
      {"heat-flow meter", '2', 7, 1, "", {}, "КАЛОРА-5-Поток"},
  };
  for (const Case& c : cases) {
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{44}, std::size_t{20000}}) {
      SCOPED_TRACE(std::string(c.name) + ", chunks of " + std::to_string(chunk));
      Bench b;
      b.download.open();
      b.feed(reply(5, c.subtype));
      const std::vector<std::uint8_t> payload = payload_of(c.subtype == '2' ? 6665 : 5157, c.methods, c.model);
      b.feed_in_chunks(dump(payload), chunk);
      EXPECT_EQ(b.view.methods, c.methods_text);
      EXPECT_EQ(b.frontend.tab_sheets, c.tab_sheets);
      EXPECT_EQ(b.view.device_name, c.device_name);
      EXPECT_EQ(b.view.result, ModalResult::ok);
    }
  }
}

TEST(Download, MethodsWaitForTheirByteAfterTheStart) {
  Bench b;
  // An earlier download left a dump with other methods further on in rx_buf.
  const std::string stale = "S" + encode(payload_of(40, 2, 0));
  std::copy(stale.begin(), stale.end(), b.state.rx_buf.begin() + 200);
  b.download.open();
  b.feed(reply(5, '1'));
  b.feed(std::string(30, '0'));  // characters before the 'S' play no part
  EXPECT_EQ(b.view.methods, "");
  EXPECT_TRUE(b.frontend.tab_sheets.empty());
  const std::string stream = dump(payload_of(5157, 1, 1));
  b.feed(stream.substr(0, 20));  // the 'S' and nine bytes: the methods byte is not in yet
  EXPECT_EQ(b.view.methods, "");
  b.feed(stream.substr(20, 2));
  EXPECT_EQ(b.view.methods, "Стационарный; ");
  EXPECT_EQ(b.view.device_name, "КАЛОРА-5");
  b.feed(stream.substr(22, 4));
  EXPECT_EQ(b.view.device_name, "КАЛОРА-5-250");
  b.feed(stream.substr(26));
  EXPECT_EQ(b.view.result, ModalResult::ok);
}

TEST(Download, CompletedDumpBecomesTheImage) {
  for (const char subtype : {'1', '2'}) {
    SCOPED_TRACE(subtype);
    Bench b;
    b.state.flash.fill(0xAA);
    b.view.title = "база.db - КАЛОРА-5";
    b.download.open();
    b.feed(reply(5, subtype));
    const std::vector<std::uint8_t> payload = payload_of(subtype == '2' ? 6665 : 5157);
    const std::string stream = dump(payload);
    b.feed_in_chunks(stream, 44);
    EXPECT_FALSE(b.timer.running);
    EXPECT_EQ(b.view.result, ModalResult::ok);
    EXPECT_EQ(b.download.image_length(), 9 + payload.size());
    EXPECT_EQ(b.view.caption, "100% - Прием данных");
    EXPECT_EQ(b.view.title, "100% - Прием данных");
    const std::uint8_t header[] = {'k', 'L', 'r', '!', 'b', 5, static_cast<std::uint8_t>(subtype - '0'), 100, 0};
    EXPECT_TRUE(std::equal(std::begin(header), std::end(header), b.state.flash.begin()));
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), b.state.flash.begin() + 9));
    // Nothing of the earlier image is left after the new one.
    EXPECT_TRUE(std::all_of(b.state.flash.begin() + 9 + static_cast<std::ptrdiff_t>(payload.size()),
                            b.state.flash.end(), [](std::uint8_t x) { return x == 0; }));
    EXPECT_TRUE(std::is_sorted(b.view.progress_seen.begin() + 1, b.view.progress_seen.end()));
    EXPECT_EQ(b.link.events.back(), "close");
    b.download.close();
    EXPECT_EQ(b.view.title, "база.db - КАЛОРА-5");
  }
}

TEST(Download, PercentageNeverExceedsHundred) {
  Bench b;
  b.download.open();
  b.feed(reply(5, '2'));
  b.feed_in_chunks(dump(payload_of(8000)), 500);  // 16002 characters against 13332 expected
  ASSERT_FALSE(b.view.progress_seen.empty());
  EXPECT_EQ(*std::max_element(b.view.progress_seen.begin(), b.view.progress_seen.end()), 100);
  for (const std::string& caption : b.view.captions_seen) EXPECT_LE(std::stoi(caption), 100) << caption;
  EXPECT_NE(b.view.result, ModalResult::ok);  // too long to be the instrument's memory
}

TEST(Download, RestartByteDropsTheStageAndEndsTheTimeOut) {
  Bench b;
  b.state.flash.fill(0x11);
  b.download.open();
  b.feed(reply(5, '2'));
  const std::vector<std::uint8_t> payload = payload_of(6665);
  const std::string stream = dump(payload);
  b.feed(stream.substr(0, 3000));
  // A stray end marker ahead of the restart byte in the same chunk plays no part.
  b.feed(std::string("12P\xEB") + "3456");
  EXPECT_EQ(b.download.rx_count(), 0);
  EXPECT_EQ(b.download.rx_stage(), 'V');
  EXPECT_EQ(b.link.sent(), "VFV");
  EXPECT_FALSE(b.timer.running);
  b.advance(60000);
  EXPECT_TRUE(b.frontend.messages.empty());
  EXPECT_EQ(b.link.sent(), "VFV");
  EXPECT_EQ(b.state.flash[0], 0x11);

  b.feed(reply(5, '2'));
  EXPECT_FALSE(b.timer.running);
  b.advance(60000);
  b.feed_in_chunks(stream, 44);
  EXPECT_EQ(b.view.result, ModalResult::ok);
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), b.state.flash.begin() + 9));
}

TEST(Download, SilenceTakesTheSecondPortThenGivesUp) {
  struct Case {
    const char* name;
    std::set<std::string> missing;
    std::string first_reply;  // a reply on the first port that is never followed by 'S'
    std::string sent;
  };
  const std::vector<Case> cases{
      {"both ports silent", {}, "", "VV"},
      {"no ports at all", {first_port, second_port}, "", ""},
      {"first port missing", {first_port}, "", "V"},
      {"reply without a dump", {}, reply(5, '1', 1, 2, 3), "VFV"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.link.missing = c.missing;
    b.state.flash.fill(0x33);
    b.download.open();
    if (!c.first_reply.empty()) b.feed(c.first_reply);
    b.advance(2999);
    EXPECT_EQ(b.download.port_name(), first_port);
    b.advance(1);
    EXPECT_EQ(b.download.port_name(), second_port);
    EXPECT_EQ(b.link.events.back(), c.missing.contains(second_port) ? std::string("open ") + second_port : "send V");
    EXPECT_TRUE(b.timer.running);
    EXPECT_EQ(b.view.device_name, c.first_reply.empty() ? "" : "КАЛОРА-5");
    b.advance(2999);
    EXPECT_TRUE(b.frontend.messages.empty());
    b.advance(1);
    EXPECT_EQ(b.now, 6000);
    EXPECT_EQ(b.frontend.messages, (std::vector<Message>{{Message::error, no_device + "\nОпрошены порты: " +
                                                                              ports_shown + where_to_choose}}));
    EXPECT_EQ(b.view.result, ModalResult::cancel);
    EXPECT_EQ(b.download.port_name(), first_port);
    EXPECT_EQ(b.link.sent(), c.sent);
    EXPECT_FALSE(b.link.is_open);
    EXPECT_FALSE(b.timer.running);
    EXPECT_EQ(b.view.progress, 0);
    EXPECT_EQ(b.state.flash[0], 0x33);
  }
}

TEST(Download, ReplyOnTheSecondPortIsAccepted) {
  Bench b;
  b.download.set_port_names({"/tmp/first", "/tmp/second"});
  b.download.open();
  b.advance(3000);
  b.feed(reply(5, '2'));
  b.feed(dump(payload_of(6665)));
  EXPECT_EQ(b.view.result, ModalResult::ok);
  EXPECT_EQ(b.link.events, (std::vector<std::string>{"open /tmp/first", "send V", "close", "open /tmp/second", "send V",
                                                     "send F", "close"}));
}

TEST(Download, CancelAtAnyMomentKeepsTheImage) {
  const std::string stream = dump(payload_of(5157));
  struct Case {
    const char* name;
    std::vector<std::string> chunks;
    long wait_ms;
  };
  const std::vector<Case> cases{
      {"before any reply", {}, 0},
      {"on the second port", {}, 4000},
      {"after the reply", {reply(5, '1')}, 0},
      {"in the middle of the dump", {reply(5, '1'), stream.substr(0, 5000)}, 0},
      {"with the end marker missing", {reply(5, '1'), stream.substr(0, stream.size() - 1)}, 4999},
      {"after a restart byte", {reply(5, '1'), stream.substr(0, 100) + "\xEB"}, 100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.state.flash.fill(0x77);
    b.view.title = "КАЛОРА-5";
    b.download.open();
    for (const std::string& chunk : c.chunks) b.feed(chunk);
    b.advance(c.wait_ms);
    b.download.cancel();
    b.download.close();
    EXPECT_EQ(b.view.result, ModalResult::cancel);
    EXPECT_EQ(b.view.ends, 1);
    EXPECT_TRUE(b.frontend.messages.empty());
    EXPECT_FALSE(b.link.is_open);
    EXPECT_FALSE(b.timer.running);
    EXPECT_EQ(b.view.progress, 0);
    EXPECT_EQ(b.view.title, "КАЛОРА-5");
    EXPECT_TRUE(std::all_of(b.state.flash.begin(), b.state.flash.end(), [](std::uint8_t x) { return x == 0x77; }));
  }
}

// A damaged dump is asked for once more as soon as its rest has stopped; damaged
// again, it is refused with what was wrong, and flash is never touched.
TEST(Download, DamagedDumpIsAskedAgainThenRefused) {
  const std::string good = encode(payload_of(5157));  // 10314 characters
  const auto with = [&good](std::size_t at, char c) {
    std::string text = good;
    text[at] = c;
    return text;
  };
  struct Case {
    const char* name;
    std::vector<std::string> first_chunks;  // ahead of the damaged dump, after the reply
    std::string stream;
    std::string what;
  };
  const std::vector<Case> cases{
      {"foreign character in the first pair", {}, "S" + with(0, '*') + "P",
       "посторонний символ (код 0x2A) в позиции 1 из 10314"},
      {"foreign character in a middle pair", {}, "S" + with(5001, 'z') + "P",
       "посторонний символ (код 0x7A) в позиции 5002 из 10314"},
      {"foreign character in the last pair", {}, "S" + with(10313, '\x80') + "P",
       "посторонний символ (код 0x80) в позиции 10314 из 10314"},
      {"odd count", {}, "S" + good.substr(1) + "P", "принято символов 10313 вместо 10314"},
      {"stray end marker early", {}, "S" + good.substr(0, 826) + "P" + good.substr(826) + "P",
       "принято символов 826 вместо 10314"},
      {"one pair short", {}, "S" + good.substr(2) + "P", "принято символов 10312 вместо 10314"},
      {"one pair long", {}, "S" + good + "00P", "принято символов 10316 вместо 10314"},
      {"restart byte before a damaged dump", {"S" + good.substr(0, 300) + "\xEB", reply(5, '1')},
       "S" + with(7, ';' + 10) + "P", "посторонний символ (код 0x45) в позиции 8 из 10314"},
      {"end marker before the start", {}, "P" + good + "S", "нет начала передачи"},
      {"more than rx_buf holds", {}, "S" + std::string(20000, '1') + "P",
       "принято символов больше 16383 вместо 10314"},
  };
  for (const Case& c : cases) {
    for (const bool whole_second : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (whole_second ? ", whole second dump" : ""));
      Bench b;
      b.state.flash.fill(0x55);
      b.download.open();
      b.feed(reply(5, '1'));
      for (const std::string& chunk : c.first_chunks) b.feed(chunk);
      b.feed_in_chunks(c.stream, 4096);
      EXPECT_TRUE(b.frontend.messages.empty());
      EXPECT_EQ(b.view.status, "Данные приняты с искажениями, повторный приём ...");
      // The rest of the dump is let through before the instrument is asked again.
      b.advance(499);
      b.feed("0123");
      b.advance(499);
      EXPECT_EQ(b.link.sent(), c.first_chunks.empty() ? "VF" : "VFVF");
      b.advance(1);
      b.feed(reply(5, '1'));
      EXPECT_EQ(b.view.status, "Данные приняты с искажениями, повторный приём ...");  // the whole second request
      b.feed_in_chunks(whole_second ? "S" + good + "P" : c.stream, 4096);
      EXPECT_FALSE(b.link.is_open);
      EXPECT_LE(b.download.rx_count(), rx_buf_size);
      if (whole_second) {
        EXPECT_EQ(b.view.result, ModalResult::ok);
        EXPECT_TRUE(b.frontend.messages.empty());
        continue;
      }
      EXPECT_EQ(b.frontend.messages, (std::vector<Message>{{Message::error, "Данные приняты с искажениями: " +
                                                                                c.what + ". Повторите приём."}}));
      EXPECT_EQ(b.view.result, ModalResult::cancel);
      EXPECT_TRUE(std::all_of(b.state.flash.begin(), b.state.flash.end(), [](std::uint8_t x) { return x == 0x55; }));
    }
  }
}

// Once the dump has begun, a dead line ends the download; before it, the reply timer rules.
TEST(Download, DeadLineEndsTheDump) {
  const std::string stream = dump(payload_of(5157));
  struct Case {
    const char* name;
    std::vector<std::string> chunks;
    long silence_ms;  // then, if still going, the port reports the device gone
    bool lost;
    long ended_at;  // ms after the last chunk; -1: still going
  };
  const std::vector<Case> cases{
      {"silent 5 s in the dump", {reply(5, '1'), stream.substr(0, 3000)}, 6000, false, 5000},
      {"silent just under 5 s", {reply(5, '1'), stream.substr(0, 3000)}, 4999, false, -1},
      {"device gone in the dump", {reply(5, '1'), stream.substr(0, 3000)}, 100, true, 100},
      {"device gone after the reply", {reply(5, '1')}, 100, true, 100},
      {"device gone after a restart byte", {reply(5, '1'), "S12\xEB"}, 100, true, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.state.flash.fill(0x21);
    b.download.open();
    for (const std::string& chunk : c.chunks) {
      b.advance(1000);  // each chunk restarts the silence
      b.feed(chunk);
    }
    const long from = b.now;
    long message_at = -1;
    b.frontend.during_message = [&] { message_at = b.now - from; };
    b.advance(c.silence_ms);
    if (c.lost) b.download.line_lost();
    if (c.ended_at < 0) {
      EXPECT_TRUE(b.download.active());
      EXPECT_TRUE(b.frontend.messages.empty());
      continue;
    }
    EXPECT_FALSE(b.download.active());
    EXPECT_EQ(b.frontend.messages, (std::vector<Message>{{Message::error, "Связь с прибором прервана. Проверьте кабель "
                                                                          "и повторите приём."}}));
    EXPECT_EQ(b.view.result, ModalResult::cancel);
    EXPECT_FALSE(b.link.is_open);
    EXPECT_FALSE(b.timer.running);
    EXPECT_EQ(message_at, c.ended_at);
    EXPECT_EQ(b.state.flash[0], 0x21);
    // The next download starts afresh and works.
    b.download.close();
    b.download.open();
    b.feed(reply(5, '1'));
    b.feed(stream);
    EXPECT_EQ(b.view.result, ModalResult::ok);
  }
  // While a port is asked the gone device is passed over like silence.
  Bench b;
  b.download.open();
  b.download.line_lost();
  EXPECT_FALSE(b.link.is_open);
  EXPECT_TRUE(b.download.active());
  b.advance(3000);
  EXPECT_EQ(b.download.port_name(), second_port);
}

TEST(Download, SearchAsksEachPortOnceAndNamesIt) {
  const std::vector<SerialPortInfo> listed{{"B", "", ""}, {"D", "USB UART", "FTDI"}, {"A", "", ""}, {"E", "", ""}};
  struct Case {
    const char* name;
    PortChoice choice;
    std::string answering;  // the port the instrument is on; none when empty
    std::vector<std::string> asked;
  };
  const std::vector<Case> cases{
      {"instrument on a listed port", {true, "A", "B", "C"}, "D", {"C", "A", "B", "D"}},
      {"remembered port first", {true, "A", "B", "E"}, "E", {"E"}},
      {"nowhere", {true, "A", "B", ""}, "", {"A", "B", "D", "E"}},
      {"chosen port alone", {false, "D", "B", "A"}, "", {"D"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench b;
    b.download.set_port_search(c.choice, [&] { return listed; });
    b.download.open();
    std::vector<std::string> asked;
    while (b.download.active() && asked.size() < 10) {
      asked.push_back(b.download.port_name());
      EXPECT_EQ(b.view.status, "Поиск прибора: " + asked.back() + " …");
      if (asked.back() == c.answering) {
        b.feed(reply(5, '2'));
        b.feed(dump(payload_of(6665)));
        break;
      }
      b.advance(3000);
    }
    EXPECT_EQ(asked, c.asked);
    if (!c.answering.empty()) {
      EXPECT_EQ(b.view.result, ModalResult::ok);
      EXPECT_EQ(b.view.remembered, std::vector<std::string>{c.answering});
      continue;
    }
    std::string names;
    for (const std::string& a : c.asked) names += (names.empty() ? "" : ", ") + a;
    const std::string line = (c.asked.size() == 1 ? "\nОпрошен порт: " : "\nОпрошены порты: ") + names;
    EXPECT_EQ(b.frontend.messages, (std::vector<Message>{{Message::error, no_device + line + where_to_choose}}));
    EXPECT_EQ(b.now, 3000 * static_cast<long>(c.asked.size()));
  }
}

TEST(Download, WrongKindIsRefusedBeforeTheDump) {
  for (const char subtype : {'1', '2'}) {
    SCOPED_TRACE(subtype);
    Bench b;
    b.state.flash.fill(0x44);
    b.download.set_kind_check([](std::uint8_t s) { return s == 2 ? std::string() : std::string("другая база"); });
    b.download.open();
    b.feed(reply(5, subtype));
    if (subtype == '2') {
      EXPECT_EQ(b.link.sent(), "VF");
      EXPECT_TRUE(b.download.active());
      continue;
    }
    EXPECT_EQ(b.link.sent(), "V");
    EXPECT_EQ(b.frontend.messages, (std::vector<Message>{{Message::error, "другая база"}}));
    EXPECT_EQ(b.view.result, ModalResult::cancel);
    EXPECT_FALSE(b.link.is_open);
    EXPECT_EQ(b.state.flash[0], 0x44);
  }
}

// What the search and the port dialog rely on beyond the search itself.
TEST(PortSearch, SamePortsAndLabels) {
#ifdef _WIN32
  EXPECT_EQ(ports_to_ask({true, "\\\\.\\COM1", "COM2", "com3"}, {{"COM1", "", ""}, {"COM3", "", ""}, {"COM4", "", ""}}),
            (std::vector<std::string>{"com3", "\\\\.\\COM1", "COM2", "COM4"}));
#endif
  EXPECT_EQ(port_display_name("\\\\.\\COM12"), "COM12");
  EXPECT_EQ(port_label({"/dev/ttyACM0", "", "Arduino"}), "/dev/ttyACM0 — Arduino");
  EXPECT_EQ(port_label({"COM5", "Prolific USB-to-Serial", "Prolific"}), "COM5 — Prolific USB-to-Serial");
}

}  // namespace
}  // namespace kalora
