// "Сведения для протокола": the particulars of a test protocol, the laboratory's and
// the instrument's (kept for every database) apart from the object's (kept with one).
#pragma once

#include <QDialog>
#include <array>
#include <optional>

#include "protocol/particulars.h"
#include "reports/report_commands.h"

class QLineEdit;

namespace kalora::protocol {

class ParticularsDialog : public QDialog {
  Q_OBJECT
 public:
  ParticularsDialog(const Particulars& particulars, QWidget* parent = nullptr);
  // What the fields hold, without blanks at either end.
  Particulars particulars() const;

  std::array<QLineEdit*, fields.size()> edits{};  // in the order of `fields`, named by their keys
};

// Runs the dialog; the particulars typed when it is accepted, else nothing.
std::optional<Particulars> edit_particulars(const Particulars& particulars, QWidget* parent,
                                            const reports::DialogRunner& run);

}  // namespace kalora::protocol
