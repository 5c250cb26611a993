#include "core/grid_clip.h"

#include <algorithm>

#include "core/text.h"

namespace nerovale::gridclip {

std::string CopyBlock(const GridCells& grid, int row1, int row2, int column1, int column2) {
  std::string clip(kMarker);
  for (int r = std::min(row1, row2); r <= std::max(row1, row2); ++r) {
    for (int c = std::min(column1, column2); c <= std::max(column1, column2); ++c) {
      clip += grid.CellText(r, c);
      clip += '\v';
    }
    clip += '\f';
  }
  return clip;
}

namespace {

// A control character other than the two separators would end up inside a cell.
bool HoldsForeignControl(std::string_view body) {
  return std::any_of(body.begin(), body.end(), [](char c) { return c != '\v' && c != '\f' && text::IsControl(static_cast<unsigned char>(c)); });
}

}  // namespace

bool PasteBlock(GridCells& grid, std::string_view clip, int row, int column) {
  if (!clip.starts_with(kMarker)) return false;
  clip.remove_prefix(kMarker.size());
  if (HoldsForeignControl(clip)) return false;
  // A last line without its form feed (never written by this program) is taken as a line all the same.
  for (int r = row; !clip.empty(); ++r) {
    const auto feed = clip.find('\f');
    std::string_view line = clip.substr(0, feed);
    clip.remove_prefix(feed == std::string_view::npos ? clip.size() : feed + 1);
    for (int c = column; !line.empty(); ++c) {
      const auto tab = line.find('\v');
      if (tab == std::string_view::npos) return false;
      if (!grid.SetCellText(r, c, std::string(line.substr(0, tab)))) return false;
      line.remove_prefix(tab + 1);
    }
  }
  return true;
}

}  // namespace nerovale::gridclip
