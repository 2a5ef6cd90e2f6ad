// The five printed reports as data: bands of cells with their places, sizes,
// fonts, frames, alignment and number patterns, in layout units (1/96 inch).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalora::reports {

// frReport1 to frReport5, one per table view.
enum class ReportId { stat = 1, zond = 2, flow = 3, rk = 4, ro = 5 };

enum class Align : std::uint8_t { left, center, right };
enum class VAlign : std::uint8_t { top, center };

struct CellFont {
  std::string family = "Arial";
  int size_pt = 10;
  bool bold = false;
  auto operator<=>(const CellFont&) const = default;
};

struct Frame {
  bool left = false;
  bool right = false;
  bool top = false;
  bool bottom = false;
  auto operator<=>(const Frame&) const = default;
};

struct LayoutCell {
  std::string name;  // the name the before-print settings address ("Memo7"), else empty
  int x = 0;         // from the band's left edge
  int y = 0;         // from the band's top
  int width = 0;
  int height = 0;
  std::string text;          // a fixed text (title, heading)
  std::string field;         // the field a data cell prints; empty for fixed text
  std::string pattern;       // number pattern of a data cell; empty prints the field as stored
  int channel = 0;           // heat-flow channel 1 to 3 of a channel cell, 0 otherwise
  bool spans_block = false;  // a heat-flow cell as high as the record's block
  bool visible = true;
  CellFont font;
  Align align = Align::center;
  VAlign valign = VAlign::center;
  bool wrap = false;
  Frame frame;
};

struct Band {
  int height = 0;
  std::vector<LayoutCell> cells;
};

struct ReportLayout {
  ReportId id = ReportId::stat;
  Band title;   // first page only
  Band header;  // column headings, every page
  Band data;    // once per record
  Band footer;  // every page
};

inline constexpr int band_width = 1071;
// The footer's page count; the builder fills in both numbers.
inline constexpr std::string_view footer_text = "Стр. [PAGE#] из [TOTALPAGES]";

// The report as stored, before the settings made just before printing.
ReportLayout report_layout(ReportId id);

// The settings of frReport1BeforePrint to frReport5BeforePrint: the headings with
// special characters and, in the heat-flow reports, the channel rows of
// `channel_mask` (bit 0 channel 1 to bit 2 channel 3) and the block height.
void before_print(ReportLayout& layout, std::uint16_t channel_mask);

}  // namespace kalora::reports
