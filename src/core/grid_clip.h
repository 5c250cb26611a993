#pragma once

#include <string>
#include <string_view>

// The grid clipboard format: "[GRIDCLIP]" and a form feed, then every row of a block of cells, each
// cell followed by a vertical tab and each row by a form feed. Cell texts are not escaped.
namespace nerovale::gridclip {

inline constexpr std::string_view kMarker = "[GRIDCLIP]\f";

// Cells as a grid offers them to the copy and the paste.
class GridCells {
 public:
  virtual ~GridCells() = default;
  virtual std::string CellText(int row, int column) const = 0;
  // False when the cell cannot be written (outside the grid, or fixed).
  [[nodiscard]] virtual bool SetCellText(int row, int column, std::string text) = 0;
};

// The block between two rows and two columns, in either order, as clipboard text.
std::string CopyBlock(const GridCells& grid, int row1, int row2, int column1, int column2);

// Writes clipboard text into the grid from (row, column) on. False when the text is not in the
// format or a value holds a control character (nothing is written then), when a cell cannot be
// written (the cells before it stay written) or when a value lacks its vertical tab; true when all
// the text was written.
[[nodiscard]] bool PasteBlock(GridCells& grid, std::string_view clip, int row, int column);

}  // namespace nerovale::gridclip
