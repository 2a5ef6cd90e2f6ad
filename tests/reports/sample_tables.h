// The tables of a sample instrument memory, decoded as a new database would hold them.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "core/state.h"
#include "decode/check_flash.h"
#include "decode/flash2table.h"
#include "device/image_file.h"
#include "support/recording_frontend.h"
#include "support/temp_dir.h"

namespace kalora::test {

struct Tables {
  TempDir dir;
  std::unique_ptr<State> state = std::make_unique<State>();
  RecordingFrontend frontend;
  bool loaded = false;

  explicit Tables(const std::string& image) {
    loaded = load_bin_file(*state, std::string(KALORA_SAMPLES) + "/" + image, frontend) == BinLoad::loaded;
    check_flash(*state, frontend);
    bind_calc_fields(*state);
    const std::array<std::uint8_t, 3> present{state->stat_present, state->zond_present, state->potok_present};
    const std::array<db::DbfTable*, 3> tables{&state->Dbf1, &state->Dbf2, &state->Dbf3};
    for (std::size_t i = 0; i < 3; ++i) {
      if (!present[i]) continue;
      tables[i]->set_file_name(dir.file("meas.db" + std::to_string(i + 1)));
      tables[i]->create();
      tables[i]->open();
    }
    if (state->stat_present) flash2table_stat(*state, frontend, 0);
    if (state->zond_present) flash2table_zond(*state, frontend, 0);
    if (state->potok_present) flash2table_potok(*state, frontend, 0);
    state->calc_enabled = 1;  // as once a database has been created
  }
};

}  // namespace kalora::test
