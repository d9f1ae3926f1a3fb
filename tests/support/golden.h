#pragma once

// Golden data: small arrays of numbers that a test compares its output
// with, kept as text files under tests/support/golden/ (or wherever the
// test says). Each file begins with "#" lines saying where the numbers came
// from; then one number per line.
//
// With ONDRAFEL_REGENERATE_GOLDEN set in the environment, a comparison
// rewrites its file from the values instead (and the test passes), so
// deliberate changes of a sound are one run away; review the diff.

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace golden {

inline bool Regenerating() {
    const char* v = std::getenv("ONDRAFEL_REGENERATE_GOLDEN");
    return v != nullptr && *v != '\0';
}

inline bool Read(const std::string& path, std::vector<double>& values) {
    std::ifstream in(path);
    if (!in)
        return false;
    values.clear();
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream row(line);
        row.imbue(std::locale::classic());
        double v = 0.0;
        if (!(row >> v))
            return false;
        values.push_back(v);
    }
    return true;
}

inline bool Write(const std::string& path, const std::vector<double>& values,
                  const std::string& origin) {
    std::ofstream out(path, std::ios::trunc);
    out.imbue(std::locale::classic());
    std::istringstream lines(origin);
    for (std::string line; std::getline(lines, line);)
        out << "# " << line << '\n';
    out << std::setprecision(std::numeric_limits<double>::max_digits10);
    for (double v : values)
        out << v << '\n';
    return static_cast<bool>(out);
}

// Compares `values` with the file at `path`, each within `tolerance`;
// `origin` (one or more lines) is written at the file's head when it is
// regenerated.
template <typename T>
void Expect(const std::string& path, const std::vector<T>& values, double tolerance,
            const std::string& origin) {
    const std::vector<double> actual(values.begin(), values.end());
    if (Regenerating()) {
        ASSERT_TRUE(Write(path, actual, origin)) << "cannot write " << path;
        return;
    }
    std::vector<double> expected;
    ASSERT_TRUE(Read(path, expected))
        << path << " is missing or unreadable; run with ONDRAFEL_REGENERATE_GOLDEN=1 to make it";
    ASSERT_EQ(actual.size(), expected.size()) << path;
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << path << " at " << i;
}

} // namespace golden
