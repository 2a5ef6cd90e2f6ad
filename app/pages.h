// The tab pages of the main window, and every question about them: which sheet
// shows which grid, which table it reads, which kind of heat-flow record it lists
// and which report its print, preview and export commands use.
#pragma once

#include <array>

#include "reports/report_commands.h"

namespace kalora::app {

enum class Control { outer, inner };  // PageControl1, and PageControl2 inside "Поток"

struct Page {
  int sheet;  // TabSheet1 .. TabSheet6
  const char* caption;
  Control control;
  int index;   // the page's place in its tab control
  int grid;    // 1..5; 0 for "Поток", which holds the heat-flow pages
  int table;   // Dbf1..Dbf3
  int measur;  // the MEASUR of the heat-flow records the page lists; -1 on other pages
  reports::ActiveView view;
};

using reports::InnerTab;
using reports::OuterTab;

// In the order of the tab controls. The heat-flow kinds: 2 "Тепловой поток", 1 "Rк", 0 "Ro".
inline constexpr std::array<Page, 6> pages{{
    {1, "Стационарный", Control::outer, 0, 1, 1, -1, {OuterTab::stat, InnerTab::flow}},
    {2, "Зонд", Control::outer, 1, 2, 2, -1, {OuterTab::zond, InnerTab::flow}},
    {3, "Поток", Control::outer, 2, 0, 3, -1, {OuterTab::potok, InnerTab::flow}},
    {4, "Тепловой поток", Control::inner, 0, 3, 3, 2, {OuterTab::potok, InnerTab::flow}},
    {5, "Rк", Control::inner, 1, 4, 3, 1, {OuterTab::potok, InnerTab::rk}},
    {6, "Ro", Control::inner, 2, 5, 3, 0, {OuterTab::potok, InnerTab::ro}},
}};

inline constexpr const Page& potok_page = pages[2];

constexpr const Page& page_of_sheet(int sheet) { return pages[static_cast<std::size_t>(sheet - 1)]; }

// Null when no page is there.
constexpr const Page* find_page(auto matches) {
  for (const Page& p : pages)
    if (matches(p)) return &p;
  return nullptr;
}
constexpr const Page* page_at(Control control, int index) {
  return find_page([&](const Page& p) { return p.control == control && p.index == index; });
}
constexpr const Page& page_of_grid(int grid) {
  return *find_page([&](const Page& p) { return p.grid == grid; });
}
constexpr const Page& page_of_measur(int measur) {
  return *find_page([&](const Page& p) { return p.measur == measur; });
}

}  // namespace kalora::app
