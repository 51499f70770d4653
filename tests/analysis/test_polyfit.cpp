// Least-squares fit: results against hand-solved normal equations, the failure messages, the
// singular systems and the rescaled retry after an overflow.
#include "analysis/PolyfitUnit.h"
#include "analysis/FitRecorder.h"

#include <gtest/gtest.h>
#include <cmath>
#include <ostream>
#include <vector>

namespace driftline {
namespace {

using testing::FitMessageRecorder;
using Doubles = std::vector<double>;

// ---------------------------------------------------------------- results on well-posed data

TEST(PolyFit, LineThroughThreePoints)
{
    FitMessageRecorder recorder;
    Doubles coefficients(2, 0.0);
    const double r = FitPolynomial({0, 1, 2}, {1, 3, 5}, coefficients);  // y = 2x + 1
    EXPECT_NEAR(coefficients[0], 1.0, 1e-12);
    EXPECT_NEAR(coefficients[1], 2.0, 1e-12);
    EXPECT_NEAR(r, 1.0, 1e-7);
    EXPECT_TRUE(recorder.shown.empty());
}

TEST(PolyFit, OneTermFitsTheMean)
{
    FitMessageRecorder recorder;
    Doubles coefficients(1, 0.0);
    const double r = FitPolynomial({10, 20, 30, 40}, {1, 2, 4, 9}, coefficients);
    EXPECT_NEAR(coefficients[0], 4.0, 1e-12);  // (1 + 2 + 4 + 9) / 4
    // SSres and SStot are the same sum in exact arithmetic, so R is 0 up to rounding.
    EXPECT_NEAR(r, 0.0, 1e-6);
    EXPECT_GE(r, 0.0);
}

TEST(PolyFit, ConstantYCountsAsPerfectFit)
{
    // Four y values of 5: SStot = 100 - 20 * 20 / 4 is exactly 0, so R = 1 whatever the residuals.
    Doubles coefficients(2, 0.0);
    EXPECT_EQ(FitPolynomial({1, 2, 3, 4}, {5, 5, 5, 5}, coefficients), 1.0);
}

TEST(PolyFit, ResidualsAsLargeAsTotalGiveZero)
{
    // x = 0,1,0,1 against y = 0,0,1,1 are uncorrelated: the best line is y = 0.5 and, every
    // intermediate being a small power of two, SSres = SStot = 1 exactly.
    Doubles coefficients(2, 0.0);
    EXPECT_EQ(FitPolynomial({0, 1, 0, 1}, {0, 0, 1, 1}, coefficients), 0.0);
    EXPECT_EQ(coefficients[0], 0.5);
    EXPECT_EQ(coefficients[1], 0.0);
}

TEST(PolyFit, QuadraticMatchesHandSolvedNormalEquations)
{
    // x = -2..2 makes the odd power sums vanish: sum x^2 = 10, sum x^4 = 34, so
    //   5 a0 + 10 a2 = Sy, 10 a1 = Sxy, 10 a0 + 34 a2 = Sx2y.
    // y = 3,1,4,1,5: Sy = 14, Sxy = 4, Sx2y = 34, hence a1 = 2/5, a2 = 3/7, a0 = 68/35.
    // SSres = 302/35 and SStot = 64/5 (computed in fractions), R = sqrt(1 - 302/448).
    Doubles coefficients(3, 0.0);
    const double r = FitPolynomial({-2, -1, 0, 1, 2}, {3, 1, 4, 1, 5}, coefficients);
    EXPECT_NEAR(coefficients[0], 68.0 / 35.0, 1e-12);
    EXPECT_NEAR(coefficients[1], 0.4, 1e-12);
    EXPECT_NEAR(coefficients[2], 3.0 / 7.0, 1e-12);
    EXPECT_NEAR(r, std::sqrt(1.0 - 302.0 / 448.0), 1e-12);
}

TEST(PolyFit, LineMatchesClosedFormRegression)
{
    // x = 1..6, y = 2, 4.5, 5.5, 8.5, 9, 12.5: Sx = 21, Sy = 42, Sxy = 181.5, Sxx = 91, Syy = 364.
    // slope = (6*181.5 - 21*42) / (6*91 - 21^2) = 207/105; intercept = (42 - 21*slope)/6 = 0.1;
    // Pearson r = 207 / sqrt(105 * 420) = 207/210.
    Doubles coefficients(2, 0.0);
    const double r = FitPolynomial({1, 2, 3, 4, 5, 6}, {2, 4.5, 5.5, 8.5, 9, 12.5}, coefficients);
    EXPECT_NEAR(coefficients[0], 0.1, 1e-12);
    EXPECT_NEAR(coefficients[1], 207.0 / 105.0, 1e-12);
    EXPECT_NEAR(r, 207.0 / 210.0, 1e-12);
}

TEST(PolyFit, CubicThroughExactDataIsRecovered)
{
    // y = 1 - 2x + 0.5x^2 + 0.25x^3 sampled at x = 0..7, fitted with four terms.
    Doubles x, y;
    for (int k = 0; k < 8; ++k) {
        x.push_back(k);
        y.push_back(1 - 2.0 * k + 0.5 * k * k + 0.25 * k * k * k);
    }
    Doubles coefficients(4, 0.0);
    EXPECT_NEAR(FitPolynomial(x, y, coefficients), 1.0, 1e-7);
    const double expected[] = {1, -2, 0.5, 0.25};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(coefficients[static_cast<std::size_t>(i)], expected[i], 1e-9) << "a" << i;
}

// ---------------------------------------------------------------- argument messages

struct ArgumentCase {
    const char* name;
    std::size_t terms, xCount, yCount;
    const char* message;
};

void PrintTo(const ArgumentCase& c, std::ostream* os)
{
    *os << c.name;
}

class PolyFitArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(PolyFitArguments, ShowsOnlyTheFirstFailingCheck)
{
    const auto& c = GetParam();
    FitMessageRecorder recorder;
    Doubles coefficients(c.terms, 7.0);
    const Doubles before = coefficients;
    const double r = FitPolynomial(Doubles(c.xCount, 1.0), Doubles(c.yCount, 2.0), coefficients);
    EXPECT_EQ(r, -1.0);
    EXPECT_EQ(coefficients, before);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].text, c.message);
    EXPECT_EQ(recorder.shown[0].caption, "PolyFit Exception");
}

INSTANTIATE_TEST_SUITE_P(
    Checks, PolyFitArguments,
    ::testing::Values(ArgumentCase{"NoTerms", 0, 5, 5, "PolyFit called with less than one term"},
                      ArgumentCase{"OnePoint", 2, 1, 1, "PolyFit called with less than two points"},
                      ArgumentCase{"Unequal", 2, 5, 4, "PolyFit called with x and y of unequal size"},
                      ArgumentCase{"NoTermsOnePointUnequal", 0, 1, 3, "PolyFit called with less than one term"},
                      ArgumentCase{"NoPointsUnequal", 3, 0, 2, "PolyFit called with less than two points"},
                      ArgumentCase{"NoTermsUnequal", 0, 5, 4, "PolyFit called with less than one term"}),
    [](const auto& row) { return std::string(row.param.name); });

// ---------------------------------------------------------------- singular systems

struct SingularCase {
    const char* name;
    Doubles x;
    const char* message;
};

void PrintTo(const SingularCase& c, std::ostream* os)
{
    *os << c.name;
}

class PolyFitSingular : public ::testing::TestWithParam<SingularCase> {};

TEST_P(PolyFitSingular, ShowsExactlyOneMessage)
{
    const auto& c = GetParam();
    FitMessageRecorder recorder;
    Doubles coefficients = {4.0, 5.0, 6.0};
    const double r = FitPolynomial(c.x, Doubles(c.x.size(), 3.0), coefficients);
    EXPECT_EQ(r, -1.0);
    EXPECT_EQ(coefficients, (Doubles{4.0, 5.0, 6.0}));
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].text, c.message);
    EXPECT_EQ(recorder.shown[0].caption, "PolyFit Exception");
}

INSTANTIATE_TEST_SUITE_P(Systems, PolyFitSingular,
                         ::testing::Values(
                             // Two distinct x values cannot fix three terms: the last pivot search finds only zeros,
                             // the previous pivot is used twice and the check after the elimination reports it.
                             SingularCase{"TwoDistinctX", {0, 1, 0, 1}, "Error in GaussJordan: matrix is singular"},
                             // Equal x make A of rank one: the second search finds no pivot, the third meets the
                             // column used twice (with x = 1 and x = 2 every step is exact in binary).
                             SingularCase{"EqualXOne", {1, 1, 1, 1}, "Error in GaussJordan2: matrix is singular"},
                             SingularCase{"EqualXTwo", {2, 2, 2, 2}, "Error in GaussJordan2: matrix is singular"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(GaussJordan, SolvesAndLeavesTheInverse)
{
    // A 3 x 3 system that needs row and column interchanges (zero on the first diagonal entry).
    const FitMatrix original = {{0, 1, 2}, {1, 0, 3}, {4, -3, 8}};
    FitMatrix a = original;
    const Doubles b = {8, 10, 22};  // solution 1, 2, 3: 0+2+6, 1+0+9, 4-6+24
    Doubles solution(3, 0.0);
    FitMessageRecorder recorder;
    ASSERT_TRUE(GaussJordan(a, b, solution));
    EXPECT_TRUE(recorder.shown.empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(solution[static_cast<std::size_t>(i)], i + 1.0, 1e-12) << i;
    // A now holds the inverse: inverse times original is the identity.
    for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
            double sum = 0.0;
            for (std::size_t k = 0; k < 3; ++k)
                sum += a[i][k] * original[k][j];
            EXPECT_NEAR(sum, i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
        }
}

TEST(GaussJordan, ZeroMatrixIsReportedAtTheFirstStep)
{
    FitMessageRecorder recorder;
    FitMatrix a = {{0, 0}, {0, 0}};
    Doubles solution = {9, 9};
    EXPECT_FALSE(GaussJordan(a, {1, 1}, solution));
    EXPECT_EQ(solution, (Doubles{9, 9}));
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].text, "Error in GaussJordan2: matrix is singular");
}

// ---------------------------------------------------------------- floating-point failures and retry

TEST(PolyFit, OverflowPassesToTheCaller)
{
    FitMessageRecorder recorder;
    Doubles coefficients(3, 0.0);
    EXPECT_THROW(PolyFit({1e100, 1.5e100, 2e100}, {1, 2, 4}, coefficients), EMathError);
    EXPECT_TRUE(recorder.shown.empty());
}

TEST(FitPolynomial, OverflowIsRetriedSilentlyInRawUnits)
{
    // y = (x / 1e100)^2: in raw units a2 = 1e-200, a1 = a0 = 0. The powers x^4 in the normal
    // equations overflow, so only the rescaled retry can give these.
    FitMessageRecorder recorder;
    const Doubles x = {1e100, 1.25e100, 1.5e100, 1.75e100, 2e100};
    Doubles y;
    for (double v : x)
        y.push_back((v / 1e100) * (v / 1e100));
    Doubles coefficients(3, 0.0);
    const double r = FitPolynomial(x, y, coefficients);
    EXPECT_TRUE(recorder.shown.empty());
    EXPECT_NEAR(r, 1.0, 1e-6);
    EXPECT_NEAR(coefficients[2] / 1e-200, 1.0, 1e-9);
    EXPECT_NEAR(coefficients[1] * 1e100, 0.0, 1e-8);
    EXPECT_NEAR(coefficients[0], 0.0, 1e-8);
    for (std::size_t k = 0; k < x.size(); ++k)
        EXPECT_NEAR(coefficients[0] + coefficients[1] * x[k] + coefficients[2] * x[k] * x[k], y[k], 1e-8) << k;
}

TEST(FitPolynomial, RetryWithZeroCorrelationKeepsRescaledCoefficients)
{
    // x^2 of 1e200 overflows; rescaled, x' = 0,1,0,1 and y' = (y - 5)/2 = 0,0,1,1 are
    // uncorrelated (R exactly 0, see ResidualsAsLargeAsTotalGiveZero). The rescaled fit 0.5 + 0 x'
    // is returned as it is; converted back it would have been 6 + 0 x.
    FitMessageRecorder recorder;
    Doubles coefficients(2, 0.0);
    const double r = FitPolynomial({1e200, 2e200, 1e200, 2e200}, {5, 5, 7, 7}, coefficients);
    EXPECT_EQ(r, 0.0);
    EXPECT_EQ(coefficients, (Doubles{0.5, 0.0}));
    EXPECT_TRUE(recorder.shown.empty());
}

TEST(FitPolynomial, FailingRetryGivesMinusOneWithoutMessage)
{
    // Overflow on raw data, and all y equal: the rescaling divides zero by zero.
    FitMessageRecorder recorder;
    Doubles coefficients = {1.0, 2.0};
    EXPECT_EQ(FitPolynomial({1e200, 2e200, 3e200}, {5, 5, 5}, coefficients), -1.0);
    EXPECT_EQ(coefficients, (Doubles{1.0, 2.0}));
    EXPECT_TRUE(recorder.shown.empty());
}

TEST(FitPolynomial, NotANumberInTheDataIsAFloatingPointFailure)
{
    FitMessageRecorder recorder;
    Doubles coefficients(2, 0.0);
    EXPECT_EQ(FitPolynomial({1, NAN, 3}, {1, 2, 3}, coefficients), -1.0);
    EXPECT_TRUE(recorder.shown.empty());
}

// ---------------------------------------------------------------- helpers of the retry

TEST(DenormaliseCoefficients, LineByHand)
{
    // x in [2, 4], y in [10, 20]: y = 10 + 10 (0.5 + (x - 2)/2) = 5 + 5x.
    Doubles coefficients = {0.5, 1.0};
    DenormaliseCoefficients(coefficients, 20, 10, 4, 2);
    EXPECT_NEAR(coefficients[0], 5.0, 1e-12);
    EXPECT_NEAR(coefficients[1], 5.0, 1e-12);
}

TEST(DenormaliseCoefficients, CubicAgreesWithRescaledEvaluation)
{
    // Converted coefficients evaluated at raw x must equal ymin + dy * p'((x - xmin)/dx).
    const Doubles rescaled = {0.3, -1.2, 2.5, 0.7};
    const double xmin = -3, xmax = 5, ymin = -2, ymax = 6;
    Doubles raw = rescaled;
    DenormaliseCoefficients(raw, ymax, ymin, xmax, xmin);
    for (double x = -3; x <= 5; x += 0.5) {
        const double u = (x - xmin) / (xmax - xmin);
        const double expected = ymin + (ymax - ymin) * (0.3 + u * (-1.2 + u * (2.5 + u * 0.7)));
        const double actual = raw[0] + x * (raw[1] + x * (raw[2] + x * raw[3]));
        EXPECT_NEAR(actual, expected, 1e-12) << "x = " << x;
    }
}

TEST(NormaliseData, RescalesToUnitRangeAndReportsLimits)
{
    Doubles x = {3, 1, 5}, y = {-2, 2, 0};
    double xmin, xmax, ymin, ymax;
    NormaliseData(x, y, xmin, xmax, ymin, ymax);
    EXPECT_EQ(x, (Doubles{0.5, 0.0, 1.0}));
    EXPECT_EQ(y, (Doubles{0.0, 1.0, 0.5}));
    EXPECT_EQ(xmin, 1);
    EXPECT_EQ(xmax, 5);
    EXPECT_EQ(ymin, -2);
    EXPECT_EQ(ymax, 2);
}

TEST(BinomialRows, PascalTriangle)
{
    const auto rows = BinomialRows(20);
    ASSERT_EQ(rows.size(), 21u);
    EXPECT_EQ(rows[0], (std::vector<std::int32_t>{1}));
    EXPECT_EQ(rows[5], (std::vector<std::int32_t>{1, 5, 10, 10, 5, 1}));
    EXPECT_EQ(rows[20][10], 184756);  // 20! / (10! 10!)
}

TEST(IntPower, RepeatedMultiplication)
{
    struct Case {
        double x;
        int n;
        double expected;
    };
    const Case cases[] = {{2, 10, 1024}, {2, -3, 0.125}, {-3, 3, -27}, {7.5, 0, 1}, {0, 0, 1}, {10, 1, 10}};
    for (const auto& c : cases)
        EXPECT_EQ(IntPower(c.x, c.n), c.expected) << c.x << "^" << c.n;
}

}  // namespace
}  // namespace driftline
