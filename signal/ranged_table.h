#pragma once

#include <cmath>

#include "signal/function_table.h"

// A table addressed by a value in [lo, hi]: interpolated inside the range,
// clamped to the first and the guard entry outside it.
class MGRangedTable {
public:
    double lo = 0.0;
    double hi = 1.0;
    double step = 1.0;
    const MGFunctionTable* table = nullptr; // not owned

    MGRangedTable() = default;
    MGRangedTable(double low, double high, const MGFunctionTable* t) { Set(low, high, t); }

    void Set(double low, double high, const MGFunctionTable* t) {
        lo = low;
        hi = high;
        table = t;
        step = (hi - lo) / t->length;
    }

    float Lookup(double v) const {
        const double p = (v - lo) / step;
        if (!(p >= 0.0))
            return table->data[0];
        if (p < table->length)
            return MGInterpLookup(table->data, static_cast<float>(p));
        return table->data[table->length];
    }
};
