// The desktop program killed (SIGKILL) while it sits idle after a comment edit: the
// next "Открыть" of that database offers the edit back. The killed run is this test
// program started again in a child process that runs only this test, with the real
// window in its event loop when the kill comes from outside.
#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "app/qt_dialogs.h"
#include "db/cp1251.h"
#include "window_fixture.h"

extern char** environ;

namespace kalora::test {
namespace {

// Set only in the child: the database it edits, and its end of the socket to the parent.
constexpr char killed_db_variable[] = "KALORA_KILLED_RUN_DB";
constexpr char killed_socket_variable[] = "KALORA_KILLED_RUN_SOCKET";

const QString typed = QStringLiteral("трещина у окна, №3");
constexpr int edited_record = 2;

QAction* menu_action(app::TForm1& w, const char* name) { return w.findChild<QAction*>(QString::fromLatin1(name)); }

QString comment_of(app::TForm1& w) {
  const views::DBGridPro& stat = *w.grid(1);
  return stat.grid_model()->data(cell(stat, edited_record, "COMMENT"), Qt::DisplayRole).toString();
}

std::string file_text(const std::string& path) {
  const auto bytes = read_bytes(path);
  return {bytes.begin(), bytes.end()};
}

// This test program run again with only the current test, in the role of the run that
// is killed; its output goes to a file. The run never outlives the object, nor the parent:
// it ends when its end of the socket reads the parent's end closed.
class KilledRun {
 public:
  KilledRun(const std::string& db, const std::string& log, const std::string& temp_dir) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) return;
    ours_ = ends[0];
    ::fcntl(ours_, F_SETFD, FD_CLOEXEC);
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::vector<std::string> args{program,
                                  std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()};
    // Its own temporary folders go inside the parent's, which is removed with everything in it.
    std::vector<std::string> env{std::string(killed_db_variable) + "=" + db,
                                 std::string(killed_socket_variable) + "=" + std::to_string(ends[1]),
                                 "TMPDIR=" + temp_dir};
    for (char** e = environ; *e != nullptr; ++e)
      if (!std::string_view(*e).starts_with("TMPDIR=")) env.emplace_back(*e);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, pointers(args).data(), pointers(env).data()) != 0)
      pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
  }
  ~KilledRun() {
    kill_and_reap();
    if (ours_ >= 0) ::close(ours_);
  }
  KilledRun(const KilledRun&) = delete;
  KilledRun& operator=(const KilledRun&) = delete;

  // True once the run says its edit is done; false when it ended first or took over a minute.
  bool wait_until_edited() const {
    if (pid_ < 0) return false;
    pollfd ready{ours_, POLLIN, 0};
    char byte = 0;
    return ::poll(&ready, 1, 60'000) == 1 && ::read(ours_, &byte, 1) == 1;
  }
  // The wait status of the run.
  int kill_and_reap() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
      }
      pid_ = -1;
    }
    return status_;
  }

 private:
  static std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
  }

  pid_t pid_ = -1;
  int ours_ = -1;
  int status_ = -1;
};

// Questions go to the program's own message box, answered by pressing its "Да" or "Нет"
// as `answers` say; what each box showed is kept.
class BoxAnswering : public AnsweringFrontend {
 public:
  struct Box {
    QString caption;
    QMessageBox::Icon icon{};
    QString default_button;
  };
  std::vector<Box> boxes;

  bool ask_yes_no(std::string_view text) override {
    messages.push_back({Message::question, std::string(text)});
    const QString press = !answers.empty() && answers.front() ? QStringLiteral("Да") : QStringLiteral("Нет");
    if (!answers.empty()) answers.pop_front();
    QTimer::singleShot(0, [this, press] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) {
        ADD_FAILURE() << "no message box";
        return;
      }
      boxes.push_back({box->windowTitle(), box->icon(), box->defaultButton() ? box->defaultButton()->text() : ""});
      for (auto* b : box->buttons())
        if (b->text() == press) b->click();
    });
    return app::QtDialogs(nullptr).ask_yes_no(text);
  }
};

class KilledDesktop : public WindowTest {
 protected:
  // The run to be killed: opens the database, types the comment into the grid's editor
  // as a user does, and tells the parent from inside its event loop, where it stays.
  void edit_and_wait(const std::string& db, int socket) {
    QSocketNotifier parent_gone(socket, QSocketNotifier::Read);
    QObject::connect(&parent_gone, &QSocketNotifier::activated, [] { std::_Exit(3); });
    auto& w = start();
    w.show();
    dialogs.files = {db};
    menu_action(w, "N3")->trigger();  // Открыть
    ASSERT_TRUE(dialogs.messages.empty());
    views::DBGridPro& stat = *w.grid(1);
    const QModelIndex at = cell(stat, edited_record, "COMMENT");
    stat.setCurrentIndex(at);
    stat.edit(at);
    auto* editor = stat.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    for (const QChar ch : typed) {
      QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(editor, &key);
    }
    QTest::keyClick(editor, Qt::Key_Return);  // the delegate commits from the event loop
    QCoreApplication::processEvents();
    ASSERT_EQ(comment_of(w), typed);
    ASSERT_TRUE(w.state().tables_modified);
    QTimer::singleShot(0, [socket] { ASSERT_EQ(::write(socket, "e", 1), 1); });
    QApplication::exec();
  }
};

TEST_F(KilledDesktop, CommentTypedBeforeAKillIsOfferedAtTheNextOpen) {
  if (const char* db = std::getenv(killed_db_variable))
    return edit_and_wait(db, std::atoi(std::getenv(killed_socket_variable)));

  for (const bool recover : {true, false}) {
    SCOPED_TRACE(recover ? "Да" : "Нет");
    const std::string name = recover ? "recovered.db" : "declined.db";
    const std::string db = dir.file(name);
    // The database as the last run saved and closed it.
    dialogs.messages.clear();
    dialogs.files = {std::string(KALORA_SAMPLES) + "/both.bin", db};
    start().bin1Click();
    const QString stored = comment_of(*window);
    ASSERT_NE(stored, typed);
    window->N5Click();
    window.reset();
    const auto saved = read_bytes(db);

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    {
      KilledRun run(db, dir.file("killed-run.log"), dir.path().string());
      ASSERT_TRUE(run.wait_until_edited()) << file_text(dir.file("killed-run.log"));
      const int status = run.kill_and_reap();
      ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    }
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    ASSERT_EQ(read_bytes(db), saved);  // the edit is only in the working copy

    BoxAnswering boxes;
    boxes.answers = {recover};
    boxes.files = {db};
    auto& w = start(&boxes);
    menu_action(w, "N3")->trigger();  // Открыть
    ASSERT_EQ(boxes.messages.size(), 1u);
    const std::string prefix = "Найдены несохранённые изменения базы данных " + name + " от ";
    const std::string suffix = ". Восстановить их?";
    const std::string& question = boxes.messages[0].text;
    ASSERT_TRUE(question.starts_with(prefix) && question.ends_with(suffix)) << question;
    const QDateTime when = QDateTime::fromString(
        QString::fromStdString(question.substr(prefix.size(), question.size() - prefix.size() - suffix.size())),
        QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    EXPECT_TRUE(when >= before && when <= after) << question;  // the time of the edit
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("КАЛОРА-5"));
    EXPECT_EQ(boxes.boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(boxes.boxes[0].default_button, QStringLiteral("Да"));

    EXPECT_EQ(comment_of(w), recover ? typed : stored);
    EXPECT_EQ(w.state().tables_modified, recover);
    for (const char* copy : {"1.bak", "2.bak"}) EXPECT_EQ(std::filesystem::exists(db + copy), !recover) << copy;
    if (!recover) {
      EXPECT_NE(file_text(db + "1.bak").find(db::utf8_to_cp1251(typed.toStdString())), std::string::npos);
    }

    // Closing asks to save the recovered edit; saved, it is in the container.
    boxes.messages.clear();
    boxes.answers = {true};
    w.N5Click();
    EXPECT_EQ(boxes.messages.size(), recover ? 1u : 0u);
    if (recover) {
      EXPECT_EQ(boxes.messages[0].text, "Сохранить изменения в таблицах ?");
    }
    EXPECT_FALSE(std::filesystem::exists(db + "1"));
    boxes.messages.clear();
    boxes.files = {db};
    menu_action(w, "N3")->trigger();
    EXPECT_TRUE(boxes.messages.empty());
    EXPECT_EQ(comment_of(w), recover ? typed : stored);
    EXPECT_FALSE(w.state().tables_modified);
    w.N5Click();
    window.reset();
  }
}

}  // namespace
}  // namespace kalora::test

#endif
