#include "registerlayout.h"

#include "registers.h"

namespace sim {

namespace {
constexpr CellType Ordered = CellType::PairOrdered;
constexpr CellType HighFirst = CellType::PairHighFirst;
constexpr Access RO = Access::ReadOnly;
constexpr Access RW = Access::Writable;
constexpr EditGroup Cal = EditGroup::Calibration;
constexpr EditGroup App = EditGroup::Application;
} // namespace

RegisterLayout::RegisterLayout() : m_cells(Reg::MapSize)
{
    // live block: gaps read as zero
    pairs(0, 2, Ordered, RO);
    singles(2, 4, RO);
    pairs(4, 6, Ordered, RO);
    singles(6, 18, RO);
    pairs(18, 24, Ordered, RO);
    singles(24, 30, RO);
    pairs(30, 38, Ordered, RO);

    pairs(50, 76, Ordered, RW, App);
    pairs(100, 138, Ordered, RW, Cal);
    pairs(Reg::ZeroCapture, Reg::ZeroCapture + 2, Ordered, Access::Command, Cal);

    pairs(150, 158, Ordered, RW, App);
    pairs(170, 182, Ordered, RW, App);
    for (int c = 0; c < 4; ++c) {
        pairs(190 + 20 * c, 200 + 20 * c, Ordered, RW, App);
        if (c < 3)
            pairs(200 + 20 * c, 210 + 20 * c, Ordered, RO);
    }
    for (int p = 0; p < 3; ++p) {
        pairs(300 + 20 * p, 314 + 20 * p, Ordered, RW, App);
        pairs(314 + 20 * p, 320 + 20 * p, Ordered, RO);
    }
    pairs(360, 380, Ordered, RW, App);
    pairs(380, 390, Ordered, RO);
    pairs(390, 396, Ordered, RW, App);
    pairs(460, 470, Ordered, RW, App);

    pairs(520, 526, Ordered, Access::Command);
    pairs(526, 530, Ordered, RO);
    pairs(530, 538, Ordered, RW);

    pairs(600, 640, HighFirst, RO);
    pairs(640, 682, HighFirst, RW);
    pairs(720, 726, Ordered, Access::Command);

    singles(8900, 8908, RW);
    singles(9301, 9303, RW);

    pairs(10000, 10004, HighFirst, RO);
    singles(10004, 10029, RO);
    singles(10100, 10123, RO);
    pairs(10123, 10125, Ordered, RO);
    singles(10125, 10126, RO);
    pairs(10126, 10128, Ordered, RO);
}

const Cell &RegisterLayout::cell(int address) const
{
    if (address < 0 || address >= m_cells.size())
        return m_none;
    return m_cells.at(address);
}

bool RegisterLayout::isPair(int address) const
{
    const CellType t = cell(address).type;
    return t == CellType::PairOrdered || t == CellType::PairHighFirst;
}

int RegisterLayout::slotBase(int address) const
{
    return cell(address).secondHalf ? address - 1 : address;
}

void RegisterLayout::pairs(int from, int to, CellType type, Access access, EditGroup group)
{
    for (int a = from; a < to; ++a)
        m_cells[a] = Cell{type, access, group, ((a - from) % 2) == 1};
}

void RegisterLayout::singles(int from, int to, Access access, EditGroup group)
{
    for (int a = from; a < to; ++a)
        m_cells[a] = Cell{CellType::Single, access, group, false};
}

QVector<quint32> RegisterLayout::defaults(Kind kind) const
{
    QVector<quint32> v(Reg::MapSize, 0);
    const bool digital = kind == Kind::Digital;

    const quint32 basic[] = {0, 1, 20, 2, 5, 1, 3, 0, 10, 5, 0, 0, 0};
    for (int i = 0; i < 13; ++i)
        v[Reg::BasicFirst + 2 * i] = basic[i];

    v[Reg::Unit] = 1; // kg
    v[Reg::Decimals] = 2;
    v[Reg::Division] = 1;
    v[Reg::FullScale] = 1000000;
    v[Reg::ManualZero] = quint32(deadSignal(kind));
    v[Reg::Sensitivity] = 20000; // 2.0000 mV/V
    v[Reg::Capacity] = 10000;
    v[Reg::Correction] = 100000;
    v[Reg::Division2] = 1;
    v[Reg::Division3] = 1;

    v[Reg::InputModes] = 1;
    v[Reg::InputModes + 2] = 2;
    for (int i = 0; i < 4; ++i)
        v[Reg::OutputModes + 2 * i] = quint32(i + 1);
    for (int c = 0; c < 4; ++c)
        v[Reg::Comparators + 20 * c] = 1; // judge only when stable

    for (int p = 0; p < 3; ++p) {
        const int base = Reg::Ports + 20 * p;
        v[base] = 1;     // station id
        v[base + 2] = 5; // baud index (38400)
    }
    const quint32 network[] = {0, 0, 0, 502, 192, 168, 1, 100, 1, 0};
    for (int i = 0; i < 10; ++i)
        v[Reg::Network + 2 * i] = network[i];
    v[Reg::Printer + 4] = 3; // ticket gap

    const quint32 analogOut[] = {0, 3920, 4000, 20000, 20050};
    for (int i = 0; i < 5; ++i)
        v[Reg::AnalogOutput + 2 * i] = analogOut[i];

    const quint32 indicators[] = {1, 1, 1, 1}; // backlight "Mid"
    for (int i = 0; i < 4; ++i)
        v[Reg::Backlight + 2 * i] = indicators[i];

    const int sensors = attachedSensors(kind);
    v[Reg::ModuleCount] = quint32(sensors);
    for (int i = 0; i < 8; ++i) {
        v[Reg::SensorAddress + 2 * i] = i < sensors ? quint32(i + 1) : 0;
        v[Reg::AngleDiff + 2 * i] = 100000;
    }
    v[Reg::RemoteOutputWay + 2] = 100; // send time
    v[Reg::RemoteOutputWay + 4] = 1;   // remote accuracy
    v[Reg::RemoteOutputWay + 6] = 0;   // remote filter "Low Filter"

    v[Reg::CalibrationEdit] = 1;
    v[Reg::ApplicationEdit] = 1;

    v[Reg::Version] = digital ? 20105 : 10203;
    v[Reg::CompileDate] = 261115;
    // 25 characters; the program shows them with a "-" between the 13th and the 14th.
    const char serial[] = "ZT20261105001000000A3B4C1";
    for (int i = 0; i < Reg::SerialNumberLength; ++i)
        v[Reg::SerialNumber + i] = quint8(serial[i]);
    const quint8 mac[] = {0x02, 0x5A, 0x45, 0x4C, 0x54, 0x01};
    for (int i = 0; i < 6; ++i)
        v[Reg::Mac + i] = mac[i];
    v[Reg::InstrumentId] = 1;
    v[Reg::Battery] = 87;
    v[Reg::BatteryVoltage] = 3700;
    return v;
}

} // namespace sim
