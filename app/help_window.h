// The help viewer: contents and index on the left, the topic on the right.
#pragma once

#include <QString>
#include <QWidget>

#include "app/help_text.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;

namespace kalora::app {

class HelpWindow : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // Reads the help file; false (and an empty viewer) when it cannot be read.
  bool load(const QString& path);
  void show_topic(std::size_t topic);

  QTabWidget* finder() const { return finder_; }
  QListWidget* contents() const { return contents_; }
  QListWidget* index() const { return index_; }
  QLineEdit* index_filter() const { return index_filter_; }
  QTextBrowser* page() const { return page_; }

 private:
  void fill_index();
  void filter_index(const QString& start);

  HelpText help_;
  QTabWidget* finder_;
  QListWidget* contents_;
  QLineEdit* index_filter_;
  QListWidget* index_;
  QTextBrowser* page_;
};

}  // namespace kalora::app
