#pragma once

#include <QVector>
#include <QtGlobal>

namespace sim {

enum class Kind { Analog, Digital };

// How a register is stored: a lone 16-bit value, or one half of a 32-bit
// value whose halves follow the word order option or are always high first.
enum class CellType : quint8 { None, Single, PairOrdered, PairHighFirst };
// Command registers act on a non-zero write and read 0; sink registers
// accept writes and read 0.
enum class Access : quint8 { ReadOnly, Writable, Command };
// Which remote-edit switch guards a write.
enum class EditGroup : quint8 { Free, Calibration, Application };

struct Cell
{
    CellType type = CellType::None;
    Access access = Access::ReadOnly;
    EditGroup group = EditGroup::Free;
    bool secondHalf = false;
};

// The address map of the instrument: what exists where, and the factory
// defaults per kind. Immutable after construction, so it needs no lock.
class RegisterLayout
{
public:
    RegisterLayout();

    const Cell &cell(int address) const;
    bool exists(int address) const { return cell(address).type != CellType::None; }
    bool isPair(int address) const;
    int slotBase(int address) const;

    // Factory values indexed by slot base address.
    QVector<quint32> defaults(Kind kind) const;
    static int attachedSensors(Kind kind) { return kind == Kind::Digital ? 4 : 0; }
    // Signal of the empty scale: mV x10000 on analog, summed AD code on digital.
    static qint32 deadSignal(Kind kind) { return kind == Kind::Digital ? 200000 : 1500; }
    // Signal above the dead load at the cells' rated load: 2 mV/V at 5 V
    // excitation on analog, summed AD code on digital.
    static double ratedSignal(Kind kind) { return kind == Kind::Digital ? 500000 : 100000; }
    // The cells' rated load in the instrument's unit (the factory full scale).
    static constexpr double CellCapacity = 10000;

private:
    void pairs(int from, int to, CellType type, Access access, EditGroup group = EditGroup::Free);
    void singles(int from, int to, Access access, EditGroup group = EditGroup::Free);

    QVector<Cell> m_cells;
    Cell m_none;
};

} // namespace sim
