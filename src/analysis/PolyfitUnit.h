#pragma once
// Least-squares polynomial fit with a Gauss-Jordan solver and a rescaled retry after a
// floating-point failure. Coefficients are listed lowest power first.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace driftline {

// Caption of every message box the fit shows.
inline constexpr const char* PolyFitCaption = "PolyFit Exception";

// A floating-point failure inside the fit (overflow, invalid operation, division by zero).
// The arithmetic is checked for infinite and not-a-number results after each stage instead of
// trapping in hardware; the check throws this, and FitPolynomial answers it with a rescaled retry.
class EMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Shows one fit failure to the user: the message text and the caption "PolyFit Exception".
// The window installs a warning box that stays on top; tests install a recorder.
using PolyFitReporter = std::function<void(const std::string& text, const std::string& caption)>;

// Replaces the process-wide reporter and returns the previous one. An empty reporter restores
// the default, which writes "PolyFit Exception: <text>" to stderr.
PolyFitReporter SetPolyFitReporter(PolyFitReporter reporter);

// Rows of doubles addressed [row][column].
using FitMatrix = std::vector<std::vector<double>>;

// One row per elimination step and per index: the pivot row and column chosen at step i, and
// the number of times index i has been used as pivot column.
struct PivotEntry {
    std::int32_t row = 0;
    std::int32_t column = 0;
    std::int32_t useCount = 0;
};
using PivotTable = std::vector<PivotEntry>;

// The fit entry used by the program: PolyFit, and after an EMathError the same fit on data
// rescaled to [0, 1] with its coefficients converted back. Returns the correlation coefficient R
// (0..1) or -1.0; no failure escapes.
double FitPolynomial(const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& coefficients);

// The fit proper: the length of coefficients is the number of terms m. Returns R, or -1.0 after
// a reported failure (coefficients unchanged). Lets EMathError pass to the caller.
double PolyFit(const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& coefficients);

// Solves A·s = b by Gauss-Jordan elimination with full pivoting; A becomes its inverse.
// False after a reported singular matrix, with solution untouched.
bool GaussJordan(FitMatrix& a, const std::vector<double>& b, std::vector<double>& solution);

// The elimination proper for one right-hand side: on true the first column of bMatrix holds the
// solution and pivots the pivot history; on false the singular message has been shown.
bool GaussJordan2(FitMatrix& a, const std::vector<double>& b, FitMatrix& bMatrix, PivotTable& pivots);

// Rescales x and y in place to (v - min) / (max - min) and reports the minima and maxima.
void NormaliseData(std::vector<double>& x, std::vector<double>& y, double& xmin, double& xmax, double& ymin,
                   double& ymax);

// Converts the coefficients of a fit on rescaled data back to raw units.
void DenormaliseCoefficients(std::vector<double>& coefficients, double ymax, double ymin, double xmax, double xmin);

// Rows 0..rows of Pascal's triangle, built by addition.
std::vector<std::vector<std::int32_t>> BinomialRows(int rows);

// x to the integer power n by repeated multiplication (by 1/x for negative n); 1.0 for n = 0.
double IntPower(double x, int n);

}  // namespace driftline
