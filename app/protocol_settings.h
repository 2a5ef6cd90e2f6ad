// The particulars of the test protocol in the settings store: the laboratory's and
// the instrument's for every database, the object's with each database.
#pragma once

#include <string>

#include "app/settings.h"
#include "protocol/particulars.h"

namespace kalora::app {

protocol::Particulars load_particulars(const SettingsStore& store, const std::string& db_name);
void save_particulars(SettingsStore& store, const std::string& db_name, const protocol::Particulars& particulars);

}  // namespace kalora::app
