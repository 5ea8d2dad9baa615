#pragma once

#include <QMutex>
#include <QVector>

#include <array>

#include "errormodel.h"
#include "livesignal.h"
#include "registerlayout.h"
#include "registers.h"
#include "testload.h"

namespace sim {

// The instrument behind the Modbus front: parameters, commands, remote-edit
// switches and the live weight. Every public call takes the internal lock,
// so the server thread and a test thread may use one model at once.
class InstrumentModel
{
public:
    explicit InstrumentModel(Kind kind = Kind::Analog, int wordOrder = 0, quint32 seed = 1);

    // Modbus access: 0 on success or a Modbus exception code (1..4).
    int readHolding(int address, int count, QVector<quint16> *out);
    int writeHolding(int address, const QVector<quint16> &values);
    int readCoils(int address, int count, QVector<quint16> *out);

    // Direct access without remote-edit checks. The live block (0-37) is
    // recomputed from the weight, so writes there do not stick.
    quint16 reg(int address) const;
    void setReg(int address, quint16 v);
    quint32 value32(int address) const;
    void setValue32(int address, quint32 v);
    bool coil(int address) const;

    void setLiveFrozen(bool frozen);
    // Freezes the weight with this fraction of full scale on the scale.
    void setLiveLoad(double fractionOfFullScale);
    // Tare in raw units; non-zero switches the weight registers to net.
    void setTareRaw(qint32 raw);
    void tick(int ms);

    // A test load: from the first placement on, the scale carries only what
    // is placed (the moving demo load stops). Units are the instrument's own
    // (500 is 500 kg with unit kg), a corner is 1..corners(), 0 the centre.
    // Returns false for a negative or non-finite load or an unknown corner.
    bool placeLoad(double units, int corner = TestLoad::Centre);
    void removeLoad();
    struct LoadState
    {
        bool placed = false; // a test load is in use
        double units = 0;
        int corner = 0;
        int settleLeftMs = 0;
        bool stable = false;
    };
    LoadState loadState() const;
    // Supports a corner load can sit on: four on an analog platform, the
    // modules present on the digital kind.
    int corners() const;
    void setErrorModel(const ErrorModel &errors);
    ErrorModel errorModel() const;
    // A scale as found on a service visit: a setting a class III test can
    // judge (3000.0 kg, e = 0.5 kg), the as-found errors, an empty platform.
    void applyAsFound();
    // An instrument that reports every calibration point written as taken,
    // whatever its load, and weighs on as before (suites of a page's own
    // bookkeeping); off: it judges each point.
    void setTakesEveryPoint(bool takes) { m_takesEveryPoint = takes; }

    int wordOrder() const;
    void setWordOrder(int w);
    Kind kind() const;
    // A different kind is a different instrument: its factory values apply.
    void setKind(Kind k);
    void resetToDefaults();

    static constexpr int MaxReadRegisters = 125;
    static constexpr int MaxWriteRegisters = 123;
    static constexpr int MaxReadCoils = 2000;

private:
    struct Weighing
    {
        std::array<double, 8> sensors{}; // each module's signal (digital kind)
        double signal = 0;
        double grossExact = 0;
        qint64 grossRaw = 0;
    };

    quint16 regUnlocked(int address) const;
    quint32 withHalf(quint32 old, int address, quint16 v) const;
    bool coilUnlocked(int address) const;
    qint32 param(int base) const { return qint32(m_values.at(base)); }

    // instrumentlive.cpp
    struct Range
    {
        double fullScale = 1;
        double division = 1;
    };
    // Range 1's full scale and division: the size of the error model and of
    // the demo load.
    double fullScale() const;
    double division() const;
    // The ranges in use, range 1 first: ranges 2 and 3 each with a full scale
    // above the range before.
    QVector<Range> ranges() const;
    // The full scale of the last range in use: the instrument's max.
    double maxFullScale() const;
    // The division of the range a weight falls in (range 1 below zero).
    double divisionAt(double weight) const;
    // A weight rounded to the division of the range it falls in.
    qint64 roundToRange(double weight) const;
    double unitScale() const;
    double gainSignal() const;
    double currentLoad() const;
    int supports() const;
    bool stableNow() const;
    Weighing weigh() const;
    void advanceStep();
    void refillHistory();
    void refreshLive();
    void storeLive(int base, qint64 value);
    void storeFloat(int base, double value);

    // instrumentcommands.cpp
    int checkValue(int base, quint32 value) const;
    void runCommand(int base);
    void zeroCapture();
    void calibrationPointWritten(int point);
    double calibrated(double aboveZero) const;
    void clearCalibrationPoints(int from);
    void sensorSearch();
    void cornerFix();
    void cornerReset();
    void restore(int from, int to);
    void resetAllUnlocked();
    void raiseError(quint32 bits);

    mutable QMutex m_mutex;
    const RegisterLayout m_layout;
    Kind m_kind;
    int m_wordOrder;
    quint32 m_seed;
    QVector<quint32> m_values; // indexed by slot base address
    LiveSignal m_live;
    int m_pendingMs = 0;
    bool m_frozen = false;
    bool m_takesEveryPoint = false;
    double m_frozenLoad = 0;
    double m_zeroSignal = 0; // finer than register 110 so a capture leaves no residue
    qint64 m_tareRaw = 0;
    quint32 m_errorBits = 0;
    int m_errorAgeMs = 0;
    QVector<qint64> m_history; // recent gross values, for the stable flag
    bool m_stable = true;
    TestLoad m_load;
    bool m_loadPlaced = false;
    // Signal above zero and weight of each calibration point taken; the
    // point's register keeps the weight last written, as the program reads
    // it back, also when the instrument refused to take the point.
    static constexpr int CalPoints = 5;
    std::array<double, CalPoints> m_pointSignal{};
    std::array<double, CalPoints> m_pointWeight{};
    std::array<bool, CalPoints> m_pointTaken{};
};

} // namespace sim
