#pragma once

#include <array>
#include <vector>

namespace korvalen {

// One row of a least-squares system with six unknowns.
using DesignRow = std::array<double, 6>;

// Least-squares solution of rows * x = rhs through a singular value decomposition (one-sided
// Jacobi, accurate even when the columns differ by many orders of magnitude, as pixel squares
// and ones do). Singular values below 1e-15 times the largest are dropped, so an
// under-determined system gives its minimum-norm solution instead of failing. False (and x
// all zero) when there are no rows, the sizes differ, a value is not finite or the
// decomposition does not converge.
bool SolveLeastSquares(const std::vector<DesignRow>& rows, const std::vector<double>& rhs,
                       std::array<double, 6>& x);

}  // namespace korvalen
