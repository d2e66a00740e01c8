#pragma once

#include <string>

class TStringGrid;

// Finds a text in a grid and makes the cell it is in the grid's current cell. Cells and the text
// are compared without their surrounding blanks, letter case included.
class GridSearch {
public:
    // Searches every column from column 1 of row 1 on, as the Catalog Manager's Find does.
    bool Find(const std::string& text, TStringGrid& grid);
    // Searches from (column, row) to the grid's end, row after row; a miss empties the search text.
    bool FindFrom(int column, int row);
    // Searches one column from row 1 on. Part numbers are looked up in their own column, so a part
    // number that equals another product's size or price never finds that product.
    bool FindInColumn(const std::string& text, TStringGrid& grid, int column);

    const std::string& SearchText() const { return searchText; }
    // The cell of the last hit.
    int CurrentCol() const { return currentCol; }
    int CurrentRow() const { return currentRow; }

private:
    bool Matches(int column, int row) const;
    bool Hit(int column, int row);
    bool Miss();

    std::string searchText;
    TStringGrid* grid = nullptr; // not owned
    int currentCol = 0;
    int currentRow = 0;
};
