#pragma once

#include <QStringList>

// An axis scale a reader takes in at a glance: ticks a round step apart (1, 2,
// 2.5 or 5 times a power of ten), the first and last tick enclosing the values
// to show, and labels with as many decimals as the step needs.
struct NiceScale
{
    double min = 0.0;
    double max = 1.0;
    double step = 1.0;
    int decimals = 0;

    int tickCount() const;
    // The value of tick i, counted from the lowest; 0 is always a positive zero.
    double tick(int i) const;
    // Every tick's label, lowest first ("-10", "0", "10"; "0.25", "0.50").
    QStringList labels() const;
};

// The scale that encloses lo .. hi in about `intervals` steps.
NiceScale niceScale(double lo, double hi, int intervals = 5);
