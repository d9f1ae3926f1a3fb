#include "controls/value_scale.h"

#include <cmath>

static bool UsesLogs(double a, double b, VXScaleKind kind) {
    return kind != VXScaleKind::Linear && a > 0.0 && b > 0.0;
}

static double Log(double x, VXScaleKind kind) {
    return kind == VXScaleKind::Log2 ? std::log2(x) : std::log10(x);
}

static double Exp(double x, VXScaleKind kind) {
    return kind == VXScaleKind::Log2 ? std::exp2(x) : std::pow(10.0, x);
}

double VXScaleValue(double p, double a, double b, VXScaleKind kind) {
    if (UsesLogs(a, b, kind)) {
        double la = Log(a, kind);
        return Exp(la + (Log(b, kind) - la) * p, kind);
    }
    return a + (b - a) * p;
}

double VXScalePosition(double v, double a, double b, VXScaleKind kind) {
    if (std::isnan(v))
        return 0.0;
    if (v > b)
        return 1.0;
    if (v < a)
        return 0.0;
    if (!(b != a))
        return 0.0;
    if (UsesLogs(a, b, kind)) {
        double la = Log(a, kind);
        return (Log(v, kind) - la) / (Log(b, kind) - la);
    }
    return (v - a) / (b - a);
}
