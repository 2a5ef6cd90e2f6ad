#include "app/help_window.h"

#include <QCollator>
#include <QFile>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <algorithm>

namespace kalora::app {

namespace {

constexpr int topic_role = Qt::UserRole;

QString topic_html(const HelpTopic& topic) {
  QString html = QStringLiteral("<h2>%1</h2>").arg(QString::fromStdString(topic.title).toHtmlEscaped());
  bool in_list = false;
  for (const auto& block : topic.blocks) {
    const QString text = QString::fromStdString(block.text).toHtmlEscaped();
    if (block.kind == HelpBlock::item) {
      if (!in_list) html += QStringLiteral("<ul>");
      in_list = true;
      html += QStringLiteral("<li>%1</li>").arg(text);
    } else {
      if (in_list) html += QStringLiteral("</ul>");
      in_list = false;
      html += QStringLiteral("<p>%1</p>").arg(text);
    }
  }
  if (in_list) html += QStringLiteral("</ul>");
  return html;
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window),
      finder_(new QTabWidget),
      contents_(new QListWidget),
      index_filter_(new QLineEdit),
      index_(new QListWidget),
      page_(new QTextBrowser) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Справка: КАЛОРА-5"));
  resize(760, 520);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

  auto* index_page = new QWidget;
  auto* index_layout = new QVBoxLayout(index_page);
  index_filter_->setPlaceholderText(QStringLiteral("Введите первые буквы слова"));
  index_layout->addWidget(index_filter_);
  index_layout->addWidget(index_);
  finder_->addTab(contents_, QStringLiteral("Содержание"));
  finder_->addTab(index_page, QStringLiteral("Указатель"));

  auto* splitter = new QSplitter;
  splitter->addWidget(finder_);
  splitter->addWidget(page_);
  splitter->setStretchFactor(1, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(splitter);

  const auto open_item = [this](QListWidgetItem* item) {
    if (item) show_topic(item->data(topic_role).toULongLong());
  };
  connect(contents_, &QListWidget::currentItemChanged, this, open_item);
  connect(index_, &QListWidget::itemActivated, this, open_item);
  connect(index_, &QListWidget::itemClicked, this, open_item);
  connect(index_filter_, &QLineEdit::textChanged, this, &HelpWindow::filter_index);
  connect(index_filter_, &QLineEdit::returnPressed, this, [this, open_item] {
    for (int i = 0; i < index_->count(); ++i)
      if (!index_->item(i)->isHidden()) return open_item(index_->item(i));
  });
  // Links between topics are written as "#id".
  page_->setOpenLinks(false);
  connect(page_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    for (std::size_t t = 0; t < help_.topics.size(); ++t)
      if (QString::fromStdString(help_.topics[t].id) == url.fragment()) show_topic(t);
  });
}

bool HelpWindow::load(const QString& path) {
  QFile file(path);
  const bool ok = file.open(QIODevice::ReadOnly);
  const QByteArray bytes = ok ? file.readAll() : QByteArray();
  help_ = parse_help(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  contents_->clear();
  for (std::size_t t = 0; t < help_.topics.size(); ++t) {
    auto* item = new QListWidgetItem(QString::fromStdString(help_.topics[t].title), contents_);
    item->setData(topic_role, static_cast<qulonglong>(t));
  }
  fill_index();
  if (help_.topics.empty()) {
    page_->setHtml(QStringLiteral("<p>Файл справки не найден: %1</p>").arg(path.toHtmlEscaped()));
    return false;
  }
  contents_->setCurrentRow(0);
  contents_->setFocus();  // the arrows walk the topics at once
  return true;
}

void HelpWindow::show_topic(std::size_t topic) {
  if (topic >= help_.topics.size()) return;
  page_->setHtml(topic_html(help_.topics[topic]));
  const QSignalBlocker block(contents_);
  contents_->setCurrentRow(static_cast<int>(topic));
}

void HelpWindow::fill_index() {
  auto entries = help_.index();
  QCollator alphabet(QLocale(QLocale::Russian));
  alphabet.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(entries.begin(), entries.end(), [&](const HelpIndexEntry& a, const HelpIndexEntry& b) {
    return alphabet.compare(QString::fromStdString(a.keyword), QString::fromStdString(b.keyword)) < 0;
  });
  index_->clear();
  for (const auto& e : entries) {
    auto* item = new QListWidgetItem(QString::fromStdString(e.keyword), index_);
    item->setData(topic_role, static_cast<qulonglong>(e.topic));
  }
}

void HelpWindow::filter_index(const QString& start) {
  for (int i = 0; i < index_->count(); ++i)
    index_->item(i)->setHidden(!index_->item(i)->text().startsWith(start, Qt::CaseInsensitive));
}

}  // namespace kalora::app
