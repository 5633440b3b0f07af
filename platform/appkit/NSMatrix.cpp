#include "platform/appkit/NSMatrix.h"

#include <algorithm>

#include <QCheckBox>
#include <QEvent>
#include <QRadioButton>
#include <QWidget>

#include "platform/appkit/MainThread.h"
#include "platform/appkit/NSButton.h"
#include "platform/appkit/QtStrings.h"
#include "platform/objc/ClassDefinition.h"
#include "platform/objc/Messaging.h"

namespace sondrel::appkit {
namespace {

const char* const kCellIndex = "sondrelCellIndex";

// A cell's widget: its clicks go to the matrix, which decides the states.
template <class Base> class CellButton final : public Base {
public:
    CellButton(NSMatrixObject* matrix, std::size_t index, QWidget* parent) : Base(parent) {
        this->setProperty(kCellIndex, QVariant::fromValue<qulonglong>(index));
        QObject::connect(this, &QAbstractButton::clicked, this,
                         [matrix, index] { matrix->clickCell(index); });
    }

protected:
    void nextCheckState() override {}
};

// The matrix's widget: lays its cells out whenever its size changes.
class MatrixWidget final : public QWidget {
public:
    explicit MatrixWidget(NSMatrixObject* matrix) : m_matrix(matrix) {}

protected:
    void resizeEvent(QResizeEvent*) override { m_matrix->layoutCells(); }

private:
    NSMatrixObject* m_matrix; // the matrix owns this widget
};

QAbstractButton* cellWidget(const QWidget* matrix, std::size_t index) {
    for (QAbstractButton* button : matrix->findChildren<QAbstractButton*>()) {
        if (button->property(kCellIndex).toULongLong() == index)
            return button;
    }
    return nullptr;
}

} // namespace

NSMatrixObject::NSMatrixObject(Class cls) : NSControlObject(cls) {
    adoptWidget(new MatrixWidget(this));
}

NSMatrixObject::~NSMatrixObject() {
    for (const Retained<NSCellObject>& cell : m_cells)
        cell->setObserver(nullptr);
}

void NSMatrixObject::setCells(NSInteger mode, const NSCellObject* prototype, NSInteger rows,
                              NSInteger columns) {
    for (const Retained<NSCellObject>& cell : m_cells)
        cell->setObserver(nullptr);
    m_cells.clear();
    m_mode = mode;
    m_rows = std::max<NSInteger>(rows, 0);
    m_columns = std::max<NSInteger>(columns, 0);
    m_selected = 0;
    for (NSInteger i = 0; i < m_rows * m_columns; ++i) {
        auto cell = Retained<NSCellObject>::adopt(newButtonCell(u"", NSButtonTypeRadio));
        if (!cell)
            continue;
        if (prototype != nullptr)
            cell->copyFrom(*prototype);
        cell->setObserver([this](NSCellObject* changed) { showCell(changed); });
        m_cells.push_back(cell);
    }
    rebuildWidgets();
}

NSCellObject* NSMatrixObject::cellAt(NSInteger row, NSInteger column) const {
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns)
        return nullptr;
    const auto index = static_cast<std::size_t>(row * m_columns + column);
    return index < m_cells.size() ? m_cells[index].get() : nullptr;
}

NSCellObject* NSMatrixObject::selectedCell() const {
    return m_selected < m_cells.size() ? m_cells[m_selected].get() : nullptr;
}

void NSMatrixObject::selectCellAt(NSInteger row, NSInteger column) {
    if (row < 0 || column < 0 || row >= m_rows || column >= m_columns)
        return;
    m_selected = static_cast<std::size_t>(row * m_columns + column);
    if (m_mode == NSRadioModeMatrix) {
        for (std::size_t i = 0; i < m_cells.size(); ++i)
            m_cells[i]->setState(i == m_selected ? 1 : 0);
    }
}

void NSMatrixObject::setAutosizesCells(bool flag) {
    m_autosizesCells = flag;
    layoutCells();
}

void NSMatrixObject::clickCell(std::size_t index) {
    if (index >= m_cells.size() || !m_cells[index]->isEnabled())
        return;
    Retained<NSMatrixObject> keepAlive = Retained<NSMatrixObject>::retain(this);
    m_selected = index;
    NSCellObject* cell = m_cells[index].get();
    if (m_mode == NSRadioModeMatrix) {
        for (std::size_t i = 0; i < m_cells.size(); ++i) {
            if (i != index)
                m_cells[i]->setState(0);
        }
        cell->setState(1);
    } else {
        const NSInteger state = cell->state();
        cell->setState(cell->allowsMixedState() ? (state == 1   ? 0
                                                   : state == 0 ? -1
                                                                : 1)
                                                : (state != 0 ? 0 : 1));
    }
    sendAction();
}

std::u16string NSMatrixObject::stringValue() const {
    const std::string digits = std::to_string(intValue());
    return std::u16string(digits.begin(), digits.end());
}

void NSMatrixObject::setStringValue(const std::u16string& value) {
    setIntValue(leadingInteger(value));
}

NSInteger NSMatrixObject::intValue() const {
    return m_selected < m_cells.size() ? m_cells[m_selected]->state() : 0;
}

void NSMatrixObject::setIntValue(NSInteger value) {
    if (m_selected < m_cells.size())
        m_cells[m_selected]->setState(value);
}

void NSMatrixObject::setEnabled(bool enabled) {
    for (const Retained<NSCellObject>& cell : m_cells)
        cell->setEnabled(enabled);
}

void NSMatrixObject::rebuildWidgets() {
    QWidget* matrix = widget();
    if (matrix == nullptr)
        return;
    for (QAbstractButton* old : matrix->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        delete old;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        QAbstractButton* button = nullptr;
        if (m_cells[i]->buttonType() == NSButtonTypeSwitch) {
            auto* box = new CellButton<QCheckBox>(this, i, matrix);
            box->setTristate(true);
            button = box;
        } else {
            auto* radio = new CellButton<QRadioButton>(this, i, matrix);
            radio->setAutoExclusive(false);
            button = radio;
        }
        button->show();
        showCell(m_cells[i].get());
    }
    layoutCells();
}

void NSMatrixObject::showCell(NSCellObject* cell) {
    QWidget* matrix = widget();
    const auto found = std::find(m_cells.begin(), m_cells.end(), cell);
    if (matrix == nullptr || found == m_cells.end())
        return;
    QAbstractButton* button = cellWidget(matrix, static_cast<std::size_t>(found - m_cells.begin()));
    if (button == nullptr)
        return;
    button->setText(toQString(cell->title()).replace(QLatin1Char('&'), QLatin1String("&&")));
    button->setEnabled(cell->isEnabled());
    if (auto* box = qobject_cast<QCheckBox*>(button)) {
        box->setCheckState(cell->state() == -1  ? Qt::PartiallyChecked
                           : cell->state() != 0 ? Qt::Checked
                                                : Qt::Unchecked);
    } else {
        button->setChecked(cell->state() != 0);
    }
}

// Cells fill the matrix when it autosizes them; otherwise each keeps its preferred size.
void NSMatrixObject::layoutCells() {
    QWidget* matrix = widget();
    if (matrix == nullptr || m_rows == 0 || m_columns == 0)
        return;
    const int width = matrix->width() / static_cast<int>(m_columns);
    const int height = matrix->height() / static_cast<int>(m_rows);
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        QAbstractButton* button = cellWidget(matrix, i);
        if (button == nullptr)
            continue;
        const int row = static_cast<int>(i / static_cast<std::size_t>(m_columns));
        const int column = static_cast<int>(i % static_cast<std::size_t>(m_columns));
        const QSize size = m_autosizesCells ? QSize(width, height)
                                            : button->sizeHint().boundedTo(QSize(width, height));
        button->setGeometry(column * width, row * height, size.width(), size.height());
    }
}

namespace {

id initWithPrototype(NSMatrixObject* self, SEL, NSRect frame, NSInteger mode, id prototype,
                     NSInteger rows, NSInteger columns) {
    self->setFrame(frame);
    self->setCells(mode, objc::liveCast<NSCellObject>(prototype), rows, columns);
    return self;
}

const objc::ClassRegistration registration{
    objc::ClassDefinition("NSMatrix", "NSControl", objc::factoryFor<NSMatrixObject, OnMainThread>())
        .instanceMethod<&initWithPrototype, OnMainThread>(
            "initWithFrame:mode:prototype:numberOfRows:numberOfColumns:")
        .instanceMethod<&NSMatrixObject::cellAt, OnMainThread>("cellAtRow:column:")
        .instanceMethod<&NSMatrixObject::selectedCell, OnMainThread>("selectedCell")
        .instanceMethod<&NSMatrixObject::selectCellAt, OnMainThread>("selectCellAtRow:column:")
        .instanceMethod<&NSMatrixObject::setAutosizesCells, OnMainThread>("setAutosizesCells:")
        .instanceMethod<&NSMatrixObject::autosizesCells, OnMainThread>("autosizesCells")
        .instanceMethod<&NSMatrixObject::numberOfRows, OnMainThread>("numberOfRows")
        .instanceMethod<&NSMatrixObject::numberOfColumns, OnMainThread>("numberOfColumns")
        .instanceMethod<&NSMatrixObject::mode, OnMainThread>("mode")};

} // namespace
} // namespace sondrel::appkit
