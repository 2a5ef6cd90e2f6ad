#include "decode/check_flash.h"

#include "core/texts.h"
#include "decode/fields.h"
#include "decode/layout.h"

namespace kalora {

void check_flash(State& state, Frontend& frontend) {
  const Bytes image(state.flash);
  state.data_present = 0;
  state.stat_present = 0;
  state.zond_present = 0;
  state.potok_present = 0;
  state.dev_type = image[layout::device_type];
  state.dev_subtype = image[layout::device_subtype];

  if (state.dev_type != 5) {
    frontend.show_error(texts::wrong_device_type);
    return;
  }

  if (state.dev_subtype == 1) {
    const std::uint8_t methods = image[layout::method_flags];
    if (methods & 1) {
      state.stat_present = 1;
      state.stat_count = get_u16(image, layout::stat_count);
      state.data_present = 1;
      state.channel_mask = 0;
    }
    if (methods & 2) {
      state.zond_present = 1;
      state.data_present = 1;
      state.zond_count = get_u16(image, layout::zond_count);
    }
  }

  if (state.dev_subtype == 2) {
    state.potok_present = 1;
    state.potok_count = get_u16(image, layout::potok_count);
    state.channel_mask = 0;
    for (std::size_t c = 0; c < 3; ++c) {
      state.channel_type[c] = image[layout::channel_type[c]];
      if (state.channel_type[c] != 0) state.channel_mask |= static_cast<std::uint16_t>(1u << c);
    }
    state.data_present = 1;
  }

  if (state.dev_subtype > 2) frontend.show_error(texts::unknown_subtype);
}

}  // namespace kalora
