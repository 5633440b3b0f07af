#pragma once

// NSMatrix: a grid of button cells (radio buttons or check boxes) shown as one control. In radio
// mode a click turns the clicked cell on and every other cell off; in the other modes a click
// advances the clicked cell's own state. Either way the clicked cell becomes the selected cell
// and the matrix sends its action. The matrix's value (intValue, stringValue) is its selected
// cell's; the selected cell is the first one until another is selected.

#include <vector>

#include "platform/appkit/NSCell.h"
#include "platform/appkit/NSControl.h"
#include "platform/appkit/Retained.h"

namespace sondrel::appkit {

enum NSMatrixMode : NSInteger {
    NSRadioModeMatrix = 0,
    NSHighlightModeMatrix = 1,
    NSListModeMatrix = 2,
    NSTrackModeMatrix = 3,
};

class NSMatrixObject : public NSControlObject {
public:
    explicit NSMatrixObject(Class cls);
    ~NSMatrixObject() override;

    // Fills the grid with copies of the prototype cell (a plain button cell without one).
    void setCells(NSInteger mode, const NSCellObject* prototype, NSInteger rows, NSInteger columns);
    NSInteger mode() const { return m_mode; }
    NSInteger numberOfRows() const { return m_rows; }
    NSInteger numberOfColumns() const { return m_columns; }
    NSCellObject* cellAt(NSInteger row, NSInteger column) const;
    const std::vector<Retained<NSCellObject>>& cells() const { return m_cells; }
    NSCellObject* selectedCell() const;
    void selectCellAt(NSInteger row, NSInteger column);
    void setAutosizesCells(bool flag);
    bool autosizesCells() const { return m_autosizesCells; }

    // A user's click on the cell at `index` (also what the cell's widget reports).
    void clickCell(std::size_t index);

    std::u16string stringValue() const override;
    void setStringValue(const std::u16string& value) override;
    NSInteger intValue() const override;
    void setIntValue(NSInteger value) override;
    void setEnabled(bool enabled) override;

    // Lays the cells' widgets out again (called when the widget changes size).
    void layoutCells();

private:
    void rebuildWidgets();
    void showCell(NSCellObject* cell);

    NSInteger m_mode = NSRadioModeMatrix;
    NSInteger m_rows = 0;
    NSInteger m_columns = 0;
    std::vector<Retained<NSCellObject>> m_cells;
    std::size_t m_selected = 0;
    bool m_autosizesCells = false;
};

} // namespace sondrel::appkit
