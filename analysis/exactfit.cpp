#include "analysis/exactfit.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include <Eigen/Cholesky>
#include <Eigen/Dense>

#include "analysis/recording.h"

namespace analysis {

double ExactFit::SnrDb() const
{
    if (signal <= 0)
        return 0;
    if (residual <= signal * 1e-20)
        return 200;
    return 10 * std::log10(signal / residual);
}

namespace {

constexpr int Points = 46;       // envelope points
constexpr double Ridge = 1e-10;  // of a block's mean diagonal: keeps collinear columns solvable

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

// Weighted sums of cos(m theta) and sin(m theta) over one envelope segment, for the three products
// of the two hat functions that overlap there: (1-t)^2, t(1-t) and t^2.
struct SegmentSums {
    std::vector<double> c[3], s[3];
};

}  // namespace

// 1. For each segment, accumulate the weighted trigonometric sums up to twice the highest rank
//    (every product sin(r theta) sin(q theta) is a half sum of cos((r-q) theta) and
//    cos((r+q) theta)), and the right-hand sides against the samples.
// 2. Assemble the normal equations, block tridiagonal: point k meets only points k-1 and k+1.
// 3. Solve them by block Cholesky, forward then back.
// 4. Each harmonic's envelope points as 2-vectors (sine, cosine): the residual, then the
//    dominant direction as the phase and the projections as the magnitudes.
ExactFit FitExactly(const std::vector<double>& samples, int duration, double fundamental, double glide,
                    const std::vector<int>& ranks)
{
    ExactFit fit;
    const int m = int(ranks.size());
    const int block = 2 * m;
    const long n = long(duration) * long(SamplesPerTenth);
    const long segment = long(duration) * 98;
    if (m == 0 || duration <= 0)
        return fit;
    const int highest = *std::max_element(ranks.begin(), ranks.end());
    const int orders = 2 * highest + 1;

    std::vector<SegmentSums> sums(Points - 1);
    std::vector<Vector> rhs(Points, Vector::Zero(block));
    std::vector<std::complex<double>> power(orders);
    const double step = 2 * std::numbers::pi * fundamental / Rate;
    for (int k = 0; k < Points - 1; ++k) {
        SegmentSums& sum = sums[k];
        for (auto& v : sum.c)
            v.assign(orders, 0.0);
        for (auto& v : sum.s)
            v.assign(orders, 0.0);
        for (long j = 0; j < segment; ++j) {
            const long i = k * segment + j;
            const double t = double(j) / double(segment);
            const double w[3] = {(1 - t) * (1 - t), t * (1 - t), t * t};
            const double x = i < long(samples.size()) ? samples[i] : 0.0;
            fit.signal += x * x;
            // The angle of rank 1, reduced before its powers are formed.
            const double theta =
                std::remainder(step * double(i) * (1 + glide * double(i) / double(n)), 2 * std::numbers::pi);
            const std::complex<double> base(std::cos(theta), std::sin(theta));
            power[0] = 1;
            for (int q = 1; q < orders; ++q)
                power[q] = power[q - 1] * base;
            for (int p = 0; p < 3; ++p) {
                double* c = sum.c[p].data();
                double* s = sum.s[p].data();
                const double wp = w[p];
                for (int q = 0; q < orders; ++q) {
                    c[q] += wp * power[q].real();
                    s[q] += wp * power[q].imag();
                }
            }
            if (x != 0) {
                const double left = (1 - t) * x, right = t * x;
                for (int h = 0; h < m; ++h) {
                    const std::complex<double>& z = power[ranks[h]];
                    rhs[k][2 * h] += left * z.imag();
                    rhs[k][2 * h + 1] += left * z.real();
                    rhs[k + 1][2 * h] += right * z.imag();
                    rhs[k + 1][2 * h + 1] += right * z.real();
                }
            }
        }
    }

    // Products of the columns (sine, cosine of rank r) x (sine, cosine of rank q) from the sums.
    auto product = [&](const std::vector<double>& c, const std::vector<double>& s, Matrix& out) {
        for (int a = 0; a < m; ++a) {
            for (int b = 0; b < m; ++b) {
                const int r = ranks[a], q = ranks[b];
                const int diff = std::abs(r - q);
                const double sDiff = r >= q ? s[diff] : -s[diff];
                out(2 * a, 2 * b) += 0.5 * (c[diff] - c[r + q]);
                out(2 * a + 1, 2 * b + 1) += 0.5 * (c[diff] + c[r + q]);
                out(2 * a, 2 * b + 1) += 0.5 * (s[r + q] + sDiff);
                out(2 * a + 1, 2 * b) += 0.5 * (s[r + q] - sDiff);
            }
        }
    };
    std::vector<Matrix> diagonal(Points, Matrix::Zero(block, block));
    std::vector<Matrix> upper(Points - 1, Matrix::Zero(block, block));
    for (int k = 0; k < Points - 1; ++k) {
        product(sums[k].c[0], sums[k].s[0], diagonal[k]);
        product(sums[k].c[1], sums[k].s[1], upper[k]);
        product(sums[k].c[2], sums[k].s[2], diagonal[k + 1]);
    }

    std::vector<Eigen::LLT<Matrix>> factors(Points);
    std::vector<Vector> y(Points);
    for (int k = 0; k < Points; ++k) {
        Matrix d = diagonal[k];
        Vector b = rhs[k];
        if (k > 0) {
            const Matrix x = factors[k - 1].solve(upper[k - 1]);
            d -= upper[k - 1].transpose() * x;
            b -= upper[k - 1].transpose() * factors[k - 1].solve(y[k - 1]);
        }
        const double mean = std::max(d.diagonal().mean(), 1e-300);
        d.diagonal().array() += Ridge * mean;
        factors[k].compute(d);
        y[k] = b;
    }
    std::vector<Vector> u(Points);
    for (int k = Points - 1; k >= 0; --k) {
        Vector b = y[k];
        if (k < Points - 1)
            b -= upper[k] * u[k + 1];
        u[k] = factors[k].solve(b);
    }
    double explained = 0;
    for (int k = 0; k < Points; ++k)
        explained += u[k].dot(rhs[k]);
    fit.residual = std::max(0.0, fit.signal - explained);

    for (int h = 0; h < m; ++h) {
        Eigen::Matrix2d scatter = Eigen::Matrix2d::Zero();
        for (int k = 0; k < Points; ++k) {
            const Eigen::Vector2d v(u[k][2 * h], u[k][2 * h + 1]);
            scatter += v * v.transpose();
        }
        Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eigen(scatter);
        Eigen::Vector2d direction = eigen.eigenvectors().col(1);
        double along = 0;
        for (int k = 0; k < Points; ++k)
            along += direction.dot(Eigen::Vector2d(u[k][2 * h], u[k][2 * h + 1]));
        if (along < 0)
            direction = -direction;
        FoundHarmonic found;
        found.rank = ranks[h];
        // sin(theta + phi) = cos(phi) sin(theta) + sin(phi) cos(theta).
        found.phase = std::atan2(direction[1], direction[0]);
        for (int k = 0; k < Points; ++k)
            found.envelope[k] = std::max(0.0, direction.dot(Eigen::Vector2d(u[k][2 * h], u[k][2 * h + 1])));
        fit.harmonics.push_back(found);
        std::array<std::array<double, 2>, 46> pair;
        for (int k = 0; k < Points; ++k)
            pair[k] = {u[k][2 * h], u[k][2 * h + 1]};
        fit.pairs.push_back(pair);
    }
    return fit;
}

}  // namespace analysis
