#include "protocol/particulars_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kalora::protocol {

ParticularsDialog::ParticularsDialog(const Particulars& particulars, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ParticularsDialog"));
  setWindowTitle(QStringLiteral("Сведения для протокола"));
  auto* layout = new QVBoxLayout(this);
  const std::pair<Scope, QString> groups[] = {
      {Scope::laboratory, QStringLiteral("Лаборатория и прибор (для всех баз данных)")},
      {Scope::object, QStringLiteral("Объект и протокол (для этой базы данных)")}};
  for (const auto& [scope, title] : groups) {
    auto* box = new QGroupBox(title, this);
    auto* form = new QFormLayout(box);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (fields[i].scope != scope) continue;
      edits[i] = new QLineEdit(QString::fromStdString(particulars.values[i]), box);
      edits[i]->setObjectName(QString::fromUtf8(fields[i].key.data(), static_cast<int>(fields[i].key.size())));
      edits[i]->setMinimumWidth(420);
      form->addRow(QString::fromUtf8(fields[i].label.data(), static_cast<int>(fields[i].label.size())) + ':', edits[i]);
    }
    layout->addWidget(box);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

Particulars ParticularsDialog::particulars() const {
  Particulars p;
  for (std::size_t i = 0; i < fields.size(); ++i) p.values[i] = edits[i]->text().trimmed().toStdString();
  return p;
}

std::optional<Particulars> edit_particulars(const Particulars& particulars, QWidget* parent,
                                            const reports::DialogRunner& run) {
  ParticularsDialog dialog(particulars, parent);
  if (run(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.particulars();
}

}  // namespace kalora::protocol
