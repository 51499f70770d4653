// Least-squares polynomial fit: normal equations solved by Gauss-Jordan elimination with full
// pivoting (Press et al., Numerical Recipes, 2nd ed., section 2.1, routine gaussj).
#include "analysis/PolyfitUnit.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace driftline {

namespace {

// A failure the fit detects itself; it carries only its message, and the routine that raises it
// also catches it and shows the text.
struct PolyFitFailure {
    const char* message;
};

constexpr const char* LessThanOneTerm = "PolyFit called with less than one term";
constexpr const char* LessThanTwoPoints = "PolyFit called with less than two points";
constexpr const char* UnequalSizes = "PolyFit called with x and y of unequal size";
constexpr const char* SingularInElimination = "Error in GaussJordan2: matrix is singular";
constexpr const char* SingularAfterElimination = "Error in GaussJordan: matrix is singular";

void DefaultReporter(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

PolyFitReporter& ReporterSlot()
{
    static PolyFitReporter reporter = DefaultReporter;
    return reporter;
}

void Report(const char* text)
{
    ReporterSlot()(text, PolyFitCaption);
}

// Throws EMathError, naming the stage, when v is infinite or not a number: the end-of-stage
// check that stands in for a floating-point trap.
void RequireFinite(double v, const char* stage)
{
    if (!std::isfinite(v))
        throw EMathError(stage);
}

void RequireFinite(const std::vector<double>& values, const char* stage)
{
    for (double v : values)
        RequireFinite(v, stage);
}

}  // namespace

PolyFitReporter SetPolyFitReporter(PolyFitReporter reporter)
{
    PolyFitReporter previous = std::move(ReporterSlot());
    ReporterSlot() = reporter ? std::move(reporter) : PolyFitReporter(DefaultReporter);
    return previous;
}

double IntPower(double x, int n)
{
    double result = 1.0;
    const double factor = n < 0 ? 1.0 / x : x;
    for (int i = n < 0 ? -n : n; i > 0; --i)
        result *= factor;
    return result;
}

std::vector<std::vector<std::int32_t>> BinomialRows(int rows)
{
    std::vector<std::vector<std::int32_t>> table;
    if (rows < 0)
        return table;
    table.reserve(static_cast<std::size_t>(rows) + 1);
    table.push_back({1});
    for (int n = 1; n <= rows; ++n) {
        const auto& above = table.back();
        std::vector<std::int32_t> row(static_cast<std::size_t>(n) + 1, 1);
        for (int k = 1; k < n; ++k)
            row[static_cast<std::size_t>(k)] = above[static_cast<std::size_t>(k - 1)] +
                                               above[static_cast<std::size_t>(k)];
        table.push_back(std::move(row));
    }
    return table;
}

bool GaussJordan2(FitMatrix& a, const std::vector<double>& b, FitMatrix& bMatrix, PivotTable& pivots)
{
    const std::size_t m = a.size();
    try {
        for (std::size_t i = 0; i < m; ++i) {
            bMatrix[i][0] = b[i];
            pivots[i].useCount = 0;
        }
        std::size_t pivotRow = 0, pivotColumn = 0;
        for (std::size_t step = 0; step < m; ++step) {
            double best = 0.0;
            bool found = false;
            for (std::size_t r = 0; r < m; ++r) {
                if (pivots[r].useCount == 1)
                    continue;
                for (std::size_t q = 0; q < m; ++q) {
                    if (pivots[q].useCount > 1)
                        throw PolyFitFailure{SingularInElimination};
                    if (pivots[q].useCount == 0 && std::fabs(a[r][q]) > best) {
                        best = std::fabs(a[r][q]);
                        pivotRow = r;
                        pivotColumn = q;
                        found = true;
                    }
                }
            }
            // Without any entry above zero the previous pivot is taken again: its column's use
            // count passes 1, and the next search or GaussJordan reports the matrix singular.
            // At the first step there is no previous pivot, so the matrix is reported at once.
            if (!found && step == 0)
                throw PolyFitFailure{SingularInElimination};
            ++pivots[pivotColumn].useCount;
            pivots[step].row = static_cast<std::int32_t>(pivotRow);
            pivots[step].column = static_cast<std::int32_t>(pivotColumn);
            if (pivotRow != pivotColumn) {
                std::swap(a[pivotRow], a[pivotColumn]);
                std::swap(bMatrix[pivotRow][0], bMatrix[pivotColumn][0]);
            }
            const std::size_t q = pivotColumn;
            const double p = a[q][q];
            a[q][q] = 1.0;
            for (std::size_t l = 0; l < m; ++l)
                a[q][l] /= p;
            bMatrix[q][0] /= p;
            for (std::size_t r = 0; r < m; ++r) {
                if (r == q)
                    continue;
                const double f = a[r][q];
                a[r][q] = 0.0;
                for (std::size_t l = 0; l < m; ++l)
                    a[r][l] -= a[q][l] * f;
                bMatrix[r][0] -= bMatrix[q][0] * f;
            }
            for (std::size_t r = 0; r < m; ++r) {
                RequireFinite(a[r], "floating-point failure in the elimination");
                RequireFinite(bMatrix[r][0], "floating-point failure in the elimination");
            }
        }
    } catch (const PolyFitFailure& failure) {
        Report(failure.message);
        return false;
    }
    return true;
}

bool GaussJordan(FitMatrix& a, const std::vector<double>& b, std::vector<double>& solution)
{
    const std::size_t m = a.size();
    FitMatrix bMatrix(m, std::vector<double>(m, 0.0));
    PivotTable pivots(m);
    if (!GaussJordan2(a, b, bMatrix, pivots))
        return false;
    // Undo the column interchanges in the reverse order of the steps, so A holds the inverse.
    for (std::size_t l = m; l-- > 0;) {
        const auto row = static_cast<std::size_t>(pivots[l].row);
        const auto column = static_cast<std::size_t>(pivots[l].column);
        if (row != column)
            for (auto& line : a)
                std::swap(line[row], line[column]);
    }
    try {
        for (const auto& entry : pivots)
            if (entry.useCount != 1)
                throw PolyFitFailure{SingularAfterElimination};
    } catch (const PolyFitFailure& failure) {
        Report(failure.message);
        return false;
    }
    for (std::size_t i = 0; i < m; ++i)
        solution[i] = bMatrix[i][0];
    return true;
}

double PolyFit(const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& coefficients)
{
    const std::size_t n = x.size();
    const std::size_t m = coefficients.size();
    try {
        if (m < 1)
            throw PolyFitFailure{LessThanOneTerm};
        if (n < 2)
            throw PolyFitFailure{LessThanTwoPoints};
        if (y.size() != n)
            throw PolyFitFailure{UnequalSizes};
    } catch (const PolyFitFailure& failure) {
        Report(failure.message);
        return -1.0;
    }

    // Normal equations. The design matrix row of a point (1, x, x^2, ...) is formed on the fly,
    // never stored: every entry of A and b still sums its products over the points in ascending
    // order from 0.0, exactly as with the whole n x m matrix in memory.
    std::vector<double> normal(m * m, 0.0);
    std::vector<double> rhs(m, 0.0);
    std::vector<double> row(m, 0.0);
    double* const pa = normal.data();
    double* const prow = row.data();
    double* const pb = rhs.data();
    for (std::size_t k = 0; k < n; ++k) {
        prow[0] = 1.0;
        for (std::size_t j = 1; j < m; ++j)
            prow[j] = prow[j - 1] * x[k];
        const double yk = y[k];
        for (std::size_t i = 0; i < m; ++i) {
            const double xi = prow[i];
            double* const line = pa + i * m;
            for (std::size_t j = 0; j <= i; ++j)
                line[j] += prow[j] * xi;
            pb[i] += yk * xi;
        }
    }
    FitMatrix a(m, std::vector<double>(m, 0.0));
    for (std::size_t i = 0; i < m; ++i)
        for (std::size_t j = 0; j <= i; ++j)
            a[i][j] = a[j][i] = normal[i * m + j];
    for (const auto& line : a)
        RequireFinite(line, "floating-point failure in the normal equations");
    RequireFinite(rhs, "floating-point failure in the normal equations");

    if (!GaussJordan(a, rhs, coefficients))
        return -1.0;

    double ssRes = 0.0, sy = 0.0, syy = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        double power = 1.0;
        double fit = 0.0;
        for (std::size_t j = 0; j < m; ++j) {
            if (j > 0)
                power *= x[k];
            fit += coefficients[j] * power;
        }
        const double residual = fit - y[k];
        ssRes += residual * residual;
        sy += y[k];
        syy += y[k] * y[k];
    }
    RequireFinite(ssRes, "floating-point failure in the residuals");
    RequireFinite(syy, "floating-point failure in the residuals");
    const double ssTot = syy - sy * sy / static_cast<double>(n);
    RequireFinite(ssTot, "floating-point failure in the residuals");
    // A constant y leaves nothing to explain: SStot exactly 0 counts as a perfect fit.
    const double ratio = ssTot != 0.0 ? ssRes / ssTot : 0.0;
    RequireFinite(ratio, "floating-point failure in the correlation");
    return ratio >= 1.0 ? 0.0 : std::sqrt(1.0 - ratio);
}

void NormaliseData(std::vector<double>& x, std::vector<double>& y, double& xmin, double& xmax, double& ymin,
                   double& ymax)
{
    auto rescale = [](std::vector<double>& values, double& lo, double& hi) {
        if (values.empty())
            throw EMathError("rescaling an empty list");
        lo = hi = values.front();
        for (double v : values) {
            if (v < lo)
                lo = v;
            if (v > hi)
                hi = v;
        }
        const double range = hi - lo;
        // A zero range divides zero by zero; an infinite one has overflowed.
        if (range == 0.0 || !std::isfinite(range))
            throw EMathError("rescaling a range that is zero or overflows");
        for (double& v : values)
            v = (v - lo) / range;
        RequireFinite(values, "floating-point failure in the rescaling");
    };
    rescale(x, xmin, xmax);
    rescale(y, ymin, ymax);
}

void DenormaliseCoefficients(std::vector<double>& coefficients, double ymax, double ymin, double xmax, double xmin)
{
    // y' = sum a_k x'^k with x' = (x - xmin)/dx, y' = (y - ymin)/dy; expanding (x - xmin)^k by the
    // binomial theorem gives b_i = dy/dx^i * sum_j t^j C(i+j, j) a_(i+j), t = -xmin/dx.
    const int m = static_cast<int>(coefficients.size());
    if (m == 0)
        return;
    const double dy = ymax - ymin;
    const double dx = xmax - xmin;
    const double t = xmin / (xmin - xmax);
    const auto binom = BinomialRows(m);
    std::vector<double> raw(coefficients.size(), 0.0);
    for (int i = 0; i < m; ++i) {
        double s = 0.0;
        for (int j = 0; j <= m - 1 - i; ++j)
            s += IntPower(t, j) *
                 static_cast<double>(binom[static_cast<std::size_t>(i + j)][static_cast<std::size_t>(j)]) *
                 coefficients[static_cast<std::size_t>(i + j)];
        raw[static_cast<std::size_t>(i)] = (dy / IntPower(dx, i)) * s;
    }
    raw[0] += ymin;
    RequireFinite(raw, "floating-point failure converting the coefficients back");
    coefficients = std::move(raw);
}

double FitPolynomial(const std::vector<double>& x, const std::vector<double>& y, std::vector<double>& coefficients)
{
    try {
        return PolyFit(x, y, coefficients);
    } catch (const EMathError&) {
        // Typically the powers of large x overflowed: repeat silently on data rescaled to [0, 1].
    } catch (...) {
        return -1.0;
    }
    try {
        std::vector<double> xs = x;
        std::vector<double> ys = y;
        double xmin = 0.0, xmax = 0.0, ymin = 0.0, ymax = 0.0;
        NormaliseData(xs, ys, xmin, xmax, ymin, ymax);
        const double r = PolyFit(xs, ys, coefficients);
        // A retry with R of 0 or -1 keeps the coefficients of the rescaled fit as they are.
        if (r > 0.0)
            DenormaliseCoefficients(coefficients, ymax, ymin, xmax, xmin);
        return r;
    } catch (...) {
        return -1.0;
    }
}

}  // namespace driftline
