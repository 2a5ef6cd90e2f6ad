// A compact quasi-Newton minimiser (BFGS with a backtracking line search and
// central-difference gradients) for smooth functions of a few variables. Bounded:
// it stops after `max_iterations` whatever happens, and a point where the function
// cannot be evaluated (it returns +∞ or NaN) is only stepped back from.
#pragma once

#include <Eigen/Dense>
#include <functional>

namespace kalora::analysis {

struct Minimum {
  Eigen::VectorXd x;
  double value = 0;
  int iterations = 0;
  bool converged = false;
  Eigen::MatrixXd inverse_hessian;  // the last estimate
};

// `curvature`, when not empty, is a first estimate of the inverse Hessian (from an
// earlier search near the same point).
Minimum minimise_bfgs(const std::function<double(const Eigen::VectorXd&)>& f, Eigen::VectorXd start,
                      int max_iterations = 200, double tolerance = 1e-7, const Eigen::MatrixXd& curvature = {});

}  // namespace kalora::analysis
