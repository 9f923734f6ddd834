#include "analysis/svd.h"

#include <cmath>

#include "platform/rounding.h"

namespace wl {

namespace {

double Sign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }
// The hypotenuse as it stands, without rescaling.
double Hypot(double a, double b) { return std::sqrt(a * a + b * b); }

}  // namespace

bool SVD(Matrix& mat, int m, int n, std::vector<double>& W, Matrix& mv,
         const std::function<void(const std::string&)>& progress, const std::function<void()>& step) {
  if (m < 1 || n < 1 || m < n || mat.Rows < m || mat.Cols < n) return false;
  auto say = [&](const std::string& s) {
    if (progress) progress(s);
  };
  auto tick = [&] {
    if (step) step();
  };
  // The algorithm is written one-based, as it is usually given; these views shift the indices.
  auto a = [&mat](int i, int j) -> double& { return mat(i - 1, j - 1); };
  if (static_cast<int>(W.size()) < n) W.resize(static_cast<std::size_t>(n), 0.0);
  auto w = [&W](int i) -> double& { return W[static_cast<std::size_t>(i - 1)]; };
  mv.Resize(n, n);
  auto v = [&mv](int i, int j) -> double& { return mv(i - 1, j - 1); };
  std::vector<double> rv1v(static_cast<std::size_t>(n) + 1, 0.0);
  auto rv1 = [&rv1v](int i) -> double& { return rv1v[static_cast<std::size_t>(i)]; };

  say("Calculating SVD... 0%");
  const int stageColumn[5] = {RoundInt(0.05 * n), RoundInt(0.13 * n), RoundInt(0.24 * n), RoundInt(0.4 * n), n};
  int stage = 0;

  // Householder reduction to bidiagonal form.
  double g = 0.0, scale = 0.0, anorm = 0.0, s = 0.0, f = 0.0, h = 0.0;
  int l = 1;
  for (int i = 1; i <= n; ++i) {
    tick();
    if (stage < 5 && i >= stageColumn[stage]) {
      say("Calculating SVD... " + std::to_string((stage + 1) * 10) + "%");
      ++stage;
    }
    l = i + 1;
    rv1(i) = scale * g;
    g = s = scale = 0.0;
    if (i <= m) {
      for (int k = i; k <= m; ++k) scale += std::fabs(a(k, i));
      if (scale != 0.0) {
        for (int k = i; k <= m; ++k) {
          a(k, i) /= scale;
          s += a(k, i) * a(k, i);
        }
        f = a(i, i);
        g = -Sign(std::sqrt(s), f);
        h = f * g - s;
        a(i, i) = f - g;
        for (int j = l; j <= n; ++j) {
          s = 0.0;
          for (int k = i; k <= m; ++k) s += a(k, i) * a(k, j);
          f = s / h;
          for (int k = i; k <= m; ++k) a(k, j) += f * a(k, i);
        }
        for (int k = i; k <= m; ++k) a(k, i) *= scale;
      }
    }
    w(i) = scale * g;
    g = s = scale = 0.0;
    if (i <= m && i != n) {
      for (int k = l; k <= n; ++k) scale += std::fabs(a(i, k));
      if (scale != 0.0) {
        for (int k = l; k <= n; ++k) {
          a(i, k) /= scale;
          s += a(i, k) * a(i, k);
        }
        f = a(i, l);
        g = -Sign(std::sqrt(s), f);
        h = f * g - s;
        a(i, l) = f - g;
        for (int k = l; k <= n; ++k) rv1(k) = a(i, k) / h;
        for (int j = l; j <= m; ++j) {
          s = 0.0;
          for (int k = l; k <= n; ++k) s += a(j, k) * a(i, k);
          for (int k = l; k <= n; ++k) a(j, k) += s * rv1(k);
        }
        for (int k = l; k <= n; ++k) a(i, k) *= scale;
      }
    }
    anorm = std::fmax(anorm, std::fabs(w(i)) + std::fabs(rv1(i)));
  }

  // Accumulation of the right-hand transformations.
  for (int i = n; i >= 1; --i) {
    tick();
    if (i < n) {
      if (g != 0.0) {
        // Double division avoids a possible underflow.
        for (int j = l; j <= n; ++j) v(j, i) = (a(i, j) / a(i, l)) / g;
        for (int j = l; j <= n; ++j) {
          s = 0.0;
          for (int k = l; k <= n; ++k) s += a(i, k) * v(k, j);
          for (int k = l; k <= n; ++k) v(k, j) += s * v(k, i);
        }
      }
      for (int j = l; j <= n; ++j) v(i, j) = v(j, i) = 0.0;
    }
    v(i, i) = 1.0;
    g = rv1(i);
    l = i;
  }
  say("Calculating SVD... 70%");

  // Accumulation of the left-hand transformations.
  for (int i = n; i >= 1; --i) {
    tick();
    l = i + 1;
    g = w(i);
    for (int j = l; j <= n; ++j) a(i, j) = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j <= n; ++j) {
        s = 0.0;
        for (int k = l; k <= m; ++k) s += a(k, i) * a(k, j);
        f = (s / a(i, i)) * g;
        for (int k = i; k <= m; ++k) a(k, j) += f * a(k, i);
      }
      for (int j = i; j <= m; ++j) a(j, i) *= g;
    } else {
      for (int j = i; j <= m; ++j) a(j, i) = 0.0;
    }
    a(i, i) += 1.0;
  }
  say("Calculating SVD... 90%");

  // Diagonalisation of the bidiagonal form.
  bool converged = true;
  for (int k = n; k >= 1; --k) {
    tick();
    for (int its = 1; its <= 30; ++its) {
      bool cancel = true;
      int nm = 0;
      for (l = k; l >= 1; --l) {
        nm = l - 1;
        // rv1(1) is always 0, so the search stops at l = 1 at the latest.
        if (std::fabs(rv1(l)) + anorm == anorm) {
          cancel = false;
          break;
        }
        if (std::fabs(w(nm)) + anorm == anorm) break;
      }
      double c = 0.0, x = 0.0, y = 0.0, z = 0.0;
      if (cancel) {
        c = 0.0;
        s = 1.0;
        for (int i = l; i <= k; ++i) {
          f = s * rv1(i);
          if (std::fabs(f) + anorm == anorm) break;
          g = w(i);
          h = Hypot(f, g);
          w(i) = h;
          c = g / h;
          s = -f / h;
          for (int j = 1; j <= m; ++j) {
            y = a(j, nm);
            z = a(j, i);
            a(j, nm) = y * c + z * s;
            a(j, i) = z * c - y * s;
          }
        }
      }
      z = w(k);
      if (l == k) {
        if (z < 0.0) {
          w(k) = -z;
          for (int j = 1; j <= n; ++j) v(j, k) = -v(j, k);
        }
        break;
      }
      if (its == 30) {
        converged = false;
        break;
      }
      // Shift from the bottom 2 x 2 minor.
      x = w(l);
      nm = k - 1;
      y = w(nm);
      g = rv1(nm);
      h = rv1(k);
      f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = Hypot(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + Sign(g, f))) - h)) / x;
      // One implicit QR sweep.
      c = s = 1.0;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        g = rv1(i);
        y = w(i);
        h = s * g;
        g = c * g;
        z = Hypot(f, h);
        rv1(j) = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int jj = 1; jj <= n; ++jj) {
          x = v(jj, j);
          z = v(jj, i);
          v(jj, j) = x * c + z * s;
          v(jj, i) = z * c - x * s;
        }
        z = Hypot(f, h);
        w(j) = z;
        if (z != 0.0) {
          c = f / z;
          s = h / z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int jj = 1; jj <= m; ++jj) {
          y = a(jj, j);
          z = a(jj, i);
          a(jj, j) = y * c + z * s;
          a(jj, i) = z * c - y * s;
        }
      }
      rv1(l) = 0.0;
      rv1(k) = f;
      w(k) = x;
    }
    if (!converged) break;
  }
  return converged;
}

}  // namespace wl
