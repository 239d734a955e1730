#include "geo/LeastSquaresSvd.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace korvalen {
namespace {

constexpr size_t kUnknowns = 6;
constexpr double kDropBelow = 1e-15;  // relative to the largest singular value
constexpr int kMaxSweeps = 80;

}  // namespace

bool SolveLeastSquares(const std::vector<DesignRow>& rows, const std::vector<double>& rhs,
                       std::array<double, 6>& x) {
    x.fill(0);
    const size_t m = rows.size();
    if (m == 0 || rhs.size() != m)
        return false;
    for (size_t i = 0; i < m; ++i) {
        if (!std::isfinite(rhs[i]))
            return false;
        for (double v : rows[i])
            if (!std::isfinite(v))
                return false;
    }

    // Columns of A (m values each) are rotated until they are orthogonal; V collects the
    // rotations, so that A V = U S with the column norms as singular values.
    std::vector<std::vector<double>> a(kUnknowns, std::vector<double>(m));
    for (size_t i = 0; i < m; ++i)
        for (size_t j = 0; j < kUnknowns; ++j)
            a[j][i] = rows[i][j];
    double v[kUnknowns][kUnknowns] = {};
    for (size_t j = 0; j < kUnknowns; ++j)
        v[j][j] = 1;

    // Columns rotated down to nothing (rank deficiency) count as zero, or their rounding
    // noise would keep the sweeps going.
    double total = 0;
    for (const auto& column : a)
        for (double value : column)
            total += value * value;
    const double negligible = 1e-30 * total;

    bool converged = false;
    for (int sweep = 0; sweep < kMaxSweeps && !converged; ++sweep) {
        converged = true;
        for (size_t p = 0; p + 1 < kUnknowns; ++p) {
            for (size_t q = p + 1; q < kUnknowns; ++q) {
                double alpha = 0, beta = 0, gamma = 0;
                for (size_t i = 0; i < m; ++i) {
                    alpha += a[p][i] * a[p][i];
                    beta += a[q][i] * a[q][i];
                    gamma += a[p][i] * a[q][i];
                }
                if (gamma == 0 || alpha <= negligible || beta <= negligible ||
                    std::abs(gamma) <= 1e-15 * std::sqrt(alpha * beta))
                    continue;
                converged = false;
                const double zeta = (beta - alpha) / (2 * gamma);
                const double t =
                    std::copysign(1.0, zeta) / (std::abs(zeta) + std::sqrt(1 + zeta * zeta));
                const double c = 1 / std::sqrt(1 + t * t);
                const double s = c * t;
                for (size_t i = 0; i < m; ++i) {
                    const double ap = a[p][i], aq = a[q][i];
                    a[p][i] = c * ap - s * aq;
                    a[q][i] = s * ap + c * aq;
                }
                for (size_t k = 0; k < kUnknowns; ++k) {
                    const double vp = v[k][p], vq = v[k][q];
                    v[k][p] = c * vp - s * vq;
                    v[k][q] = s * vp + c * vq;
                }
            }
        }
    }
    if (!converged)
        return false;

    double sigma[kUnknowns];
    double largest = 0;
    for (size_t j = 0; j < kUnknowns; ++j) {
        double sum = 0;
        for (size_t i = 0; i < m; ++i)
            sum += a[j][i] * a[j][i];
        sigma[j] = std::sqrt(sum);
        largest = std::max(largest, sigma[j]);
    }
    if (!(largest > 0))
        return true;  // all rows zero: the minimum-norm solution is zero
    std::array<double, 6> result{};
    for (size_t j = 0; j < kUnknowns; ++j) {
        if (sigma[j] < kDropBelow * largest || sigma[j] == 0)
            continue;
        // u_j = a_j / sigma_j; the term is (u_j . b) / sigma_j along v_j.
        double dot = 0;
        for (size_t i = 0; i < m; ++i)
            dot += a[j][i] * rhs[i];
        const double weight = dot / (sigma[j] * sigma[j]);
        for (size_t k = 0; k < kUnknowns; ++k)
            result[k] += weight * v[k][j];
    }
    for (double r : result)
        if (!std::isfinite(r))
            return false;
    x = result;
    return true;
}

}  // namespace korvalen
