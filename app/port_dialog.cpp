#include "app/port_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/download.h"

namespace kalora::app {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

std::string stored(const SettingsStore& settings, const QString& name, const std::string& fallback) {
  const auto value = settings.value(name);
  return value && !value->isEmpty() ? value->toStdString() : fallback;
}

}  // namespace

PortChoice read_port_choice(const SettingsStore& settings) {
  const auto defaults = default_port_names();
  PortChoice choice;
  choice.automatic = settings.value(value_port_auto).value_or(QStringLiteral("1")).trimmed() != QStringLiteral("0");
  choice.first = stored(settings, value_port_1, defaults[0]);
  choice.second = stored(settings, value_port_2, defaults[1]);
  choice.remembered = stored(settings, value_port_last, {});
  return choice;
}

void write_port_defaults(SettingsStore& settings) {
  const auto defaults = default_port_names();
  const std::pair<QString, QString> values[] = {{value_port_1, qs(defaults[0])},
                                                {value_port_2, qs(defaults[1])},
                                                {value_port_auto, QStringLiteral("1")},
                                                {value_port_last, QString()}};
  for (const auto& [name, value] : values)
    if (!settings.value(name)) settings.set_value(name, value);
}

void write_port_choice(SettingsStore& settings, const PortChoice& choice) {
  settings.set_value(value_port_auto, choice.automatic ? QStringLiteral("1") : QStringLiteral("0"));
  if (!choice.automatic) settings.set_value(value_port_1, qs(choice.first));
}

PortDialog::PortDialog(PortLister lister, const PortChoice& current, QWidget* parent)
    : QDialog(parent),
      PortList(new QListWidget(this)),
      RefreshButton(new QPushButton(QStringLiteral("О&бновить"), this)),
      Buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      lister_(std::move(lister)),
      current_(current) {
  setObjectName(QStringLiteral("PortDialog"));
  setWindowTitle(QStringLiteral("Порт прибора"));
  PortList->setObjectName(QStringLiteral("PortList"));
  RefreshButton->setObjectName(QStringLiteral("RefreshButton"));
  RefreshButton->setAutoDefault(false);
  Buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&ОК"));
  Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("О&тмена"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Где искать прибор:"), this));
  layout->addWidget(PortList);
  auto* row = new QHBoxLayout;
  row->addWidget(RefreshButton);
  row->addStretch();
  row->addWidget(Buttons);
  layout->addLayout(row);
  resize(420, 280);

  connect(RefreshButton, &QPushButton::clicked, this, &PortDialog::refresh);
  connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(PortList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  refresh();
}

void PortDialog::refresh() {
  // The line chosen now, else the stored choice.
  const PortChoice keep = PortList->currentItem() ? choice() : current_;
  PortList->clear();
  auto* automatic = new QListWidgetItem(QStringLiteral("Автоматически"), PortList);
  automatic->setData(Qt::UserRole, QString());
  QListWidgetItem* selected = automatic;
  bool chosen_listed = false;
  for (const SerialPortInfo& port : lister_ ? lister_() : std::vector<SerialPortInfo>{}) {
    auto* item = new QListWidgetItem(qs(port_label(port)), PortList);
    item->setData(Qt::UserRole, qs(port.name));
    if (!keep.automatic && same_port(port.name, keep.first)) {
      selected = item;
      chosen_listed = true;
    }
  }
  // A chosen port the system does not list (unplugged, or named by hand) stays choosable.
  if (!keep.automatic && !chosen_listed && !keep.first.empty()) {
    selected = new QListWidgetItem(qs(port_display_name(keep.first)), PortList);
    selected->setData(Qt::UserRole, qs(keep.first));
  }
  PortList->setCurrentItem(selected);
}

PortChoice PortDialog::choice() const {
  PortChoice c = current_;
  const QListWidgetItem* item = PortList->currentItem();
  const QString name = item ? item->data(Qt::UserRole).toString() : QString();
  c.automatic = name.isEmpty();
  if (!c.automatic) c.first = name.toStdString();
  return c;
}

}  // namespace kalora::app
