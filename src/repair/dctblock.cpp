#include "repair/dctblock.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace vt::dct {

namespace {

// cosines[x][u] = C(u) / 2 * cos((2x + 1) u pi / 16), C(0) = 1 / sqrt(2),
// else 1: one dimension of the orthonormal 8-point DCT of JPEG.
struct Tables {
    std::array<std::array<float, 8>, 8> cosines{};
    // basis[position][k]: the 2-D basis function of coefficient k at a
    // sample; the transform is orthonormal, so each function has norm 1.
    std::array<std::array<float, 64>, 64> basis{};
    Tables() {
        for (int x = 0; x < 8; ++x)
            for (int u = 0; u < 8; ++u) {
                const double c = u == 0 ? std::numbers::sqrt2 / 2 : 1.0;
                cosines[x][u] = float(c / 2 * std::cos((2 * x + 1) * u * std::numbers::pi / 16));
            }
        for (int p = 0; p < 64; ++p)
            for (int k = 0; k < 64; ++k)
                basis[p][k] = cosines[p % 8][k % 8] * cosines[p / 8][k / 8];
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

// Largest coefficient a baseline file codes (10 bits of magnitude).
constexpr int kMaxCoefficient = 1023;

// Weight of the targets against the other samples: a target missed by one
// level costs as much as moving the rest of the block by this much energy.
constexpr float kTargetWeight = 1000.f;

} // namespace

void InverseDct(const std::int16_t* coefficients, const std::uint16_t* quant, float samples[64]) {
    const auto& cs = T().cosines;
    float rows[64]; // rows[v * 8 + x]: the horizontal transform of row v
    for (int v = 0; v < 8; ++v)
        for (int x = 0; x < 8; ++x) {
            float sum = 0;
            for (int u = 0; u < 8; ++u)
                sum += cs[x][u] * float(coefficients[v * 8 + u]) * float(quant[v * 8 + u]);
            rows[v * 8 + x] = sum;
        }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            float sum = 0;
            for (int v = 0; v < 8; ++v)
                sum += cs[y][v] * rows[v * 8 + x];
            samples[y * 8 + x] = 128.f + sum;
        }
}

std::uint8_t Clamped(float value) {
    return std::uint8_t(std::clamp(std::lround(value), 0L, 255L));
}

namespace {

// Solves (a + a small ridge) x = b, a n x n, by Gaussian elimination with
// partial pivoting; false when a is singular.
bool SolveSmall(std::vector<double> a, std::vector<double> b, std::vector<double>& x) {
    const std::size_t n = b.size();
    for (std::size_t i = 0; i < n; ++i)
        a[i * n + i] += 1e-6;
    for (std::size_t col = 0; col < n; ++col) {
        std::size_t pivot = col;
        for (std::size_t r = col + 1; r < n; ++r)
            if (std::abs(a[r * n + col]) > std::abs(a[pivot * n + col])) pivot = r;
        if (std::abs(a[pivot * n + col]) < 1e-9) return false;
        if (pivot != col) {
            for (std::size_t c = 0; c < n; ++c)
                std::swap(a[col * n + c], a[pivot * n + c]);
            std::swap(b[col], b[pivot]);
        }
        for (std::size_t r = col + 1; r < n; ++r) {
            const double f = a[r * n + col] / a[col * n + col];
            for (std::size_t c = col; c < n; ++c)
                a[r * n + c] -= f * a[col * n + c];
            b[r] -= f * b[col];
        }
    }
    x.assign(n, 0.0);
    for (std::size_t i = n; i-- > 0;) {
        double v = b[i];
        for (std::size_t c = i + 1; c < n; ++c)
            v -= a[i * n + c] * x[c];
        x[i] = v / a[i * n + i];
    }
    return true;
}

// The search for the coefficient steps of one block. Each target is a row
// r over the 64 coefficients (its samples' weights through the basis); the
// exact change z* is the smallest with r.z* = need for every target. A
// choice of steps costs kTargetWeight times the targets' squared misses plus
// its squared distance from z*, which (the transform keeps energy) is how
// far the block's samples land from where the exact change would put them.
class StepSearch {
  public:
    StepSearch(const std::int16_t* coefficients, const std::uint16_t* quant,
               std::vector<std::array<double, 64>> rows, std::vector<double> need)
        : coefficients_(coefficients), rows_(std::move(rows)), need_(std::move(need)),
          n_(need_.size()) {
        for (int k = 0; k < 64; ++k)
            q_[k] = quant[k] ? quant[k] : 1;
        std::vector<double> gram(n_ * n_), lambda;
        for (std::size_t t = 0; t < n_; ++t)
            for (std::size_t s = 0; s < n_; ++s)
                for (int k = 0; k < 64; ++k)
                    gram[t * n_ + s] += rows_[t][k] * rows_[s][k];
        exact_.fill(0);
        if (SolveSmall(gram, need_, lambda))
            for (int k = 0; k < 64; ++k)
                for (std::size_t t = 0; t < n_; ++t)
                    exact_[k] += lambda[t] * rows_[t][k];
    }

    double exact(int k) const { return exact_[k]; }
    int q(int k) const { return q_[k]; }
    // The step nearest to `steps` that the file can code.
    int bounded(int k, double steps) const {
        const int base = coefficients_[k];
        return int(std::clamp<double>(base + std::nearbyint(steps), -kMaxCoefficient,
                                      kMaxCoefficient)) -
               base;
    }

    struct Choice {
        std::array<int, 64> step{};
        std::vector<double> reached;
        double distance = 0; // squared distance from the exact change
        double cost = 0;
    };

    Choice evaluate(const std::array<int, 64>& step) const {
        Choice c;
        c.step = step;
        c.reached.assign(n_, 0.0);
        for (int k = 0; k < 64; ++k) {
            const double change = double(step[k]) * q_[k];
            c.distance += (change - exact_[k]) * (change - exact_[k]);
            for (std::size_t t = 0; t < n_; ++t)
                c.reached[t] += change * rows_[t][k];
        }
        c.cost = cost(c.reached, c.distance);
        return c;
    }

    // Moves single coefficients by one step while that lowers the cost,
    // never further than one step from where they started.
    void polish(Choice& c) const {
        const std::array<int, 64> start = c.step;
        std::vector<double> trial(n_);
        for (int sweep = 0; sweep < 16; ++sweep) {
            bool improved = false;
            for (int k = 0; k < 64; ++k)
                for (int dir : {-1, 1}) {
                    const int other = c.step[k] + dir;
                    if (std::abs(other - start[k]) > 1) continue;
                    if (std::abs(coefficients_[k] + other) > kMaxCoefficient) continue;
                    const double before = double(c.step[k]) * q_[k], after = double(other) * q_[k];
                    for (std::size_t t = 0; t < n_; ++t)
                        trial[t] = c.reached[t] + (after - before) * rows_[t][k];
                    const double distance = c.distance -
                                            (before - exact_[k]) * (before - exact_[k]) +
                                            (after - exact_[k]) * (after - exact_[k]);
                    const double cost = this->cost(trial, distance);
                    if (cost < c.cost - 1e-6) {
                        c.cost = cost;
                        c.distance = distance;
                        c.reached.swap(trial);
                        c.step[k] = other;
                        improved = true;
                        break;
                    }
                }
            if (!improved) break;
        }
    }

    // Rounds the coarsest coefficients first, each time spreading the
    // targets' new misses over the coefficients not yet rounded (the
    // smallest such change), so that the fine ones make up for the coarse.
    std::array<int, 64> roundCoarseFirst() const {
        std::array<int, 64> order;
        for (int k = 0; k < 64; ++k)
            order[k] = k;
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return q_[a] > q_[b]; });
        std::array<double, 64> z = exact_;
        std::array<bool, 64> open;
        open.fill(true);
        std::array<int, 64> step{};
        // The targets' rows over the coefficients still open, multiplied.
        std::vector<double> gram(n_ * n_, 0.0);
        for (std::size_t t = 0; t < n_; ++t)
            for (std::size_t s = 0; s < n_; ++s)
                for (int k = 0; k < 64; ++k)
                    gram[t * n_ + s] += rows_[t][k] * rows_[s][k];
        std::size_t left = 64;
        std::vector<double> miss(n_), lambda;
        for (int k : order) {
            step[k] = bounded(k, z[k] / q_[k]);
            const double error = step[k] * double(q_[k]) - z[k];
            open[k] = false;
            --left;
            for (std::size_t t = 0; t < n_; ++t)
                for (std::size_t s = 0; s < n_; ++s)
                    gram[t * n_ + s] -= rows_[t][k] * rows_[s][k];
            if (error == 0 || left < n_ + 2) continue;
            for (std::size_t t = 0; t < n_; ++t)
                miss[t] = -error * rows_[t][k];
            if (!SolveSmall(gram, miss, lambda)) continue;
            for (int j = 0; j < 64; ++j) {
                if (!open[j]) continue;
                for (std::size_t t = 0; t < n_; ++t)
                    z[j] += lambda[t] * rows_[t][j];
            }
        }
        return step;
    }

  private:
    double cost(const std::vector<double>& reached, double distance) const {
        double c = distance;
        for (std::size_t t = 0; t < n_; ++t)
            c += kTargetWeight * (reached[t] - need_[t]) * (reached[t] - need_[t]);
        return c;
    }

    const std::int16_t* coefficients_;
    std::vector<std::array<double, 64>> rows_;
    std::vector<double> need_;
    std::size_t n_;
    std::array<int, 64> q_{};
    std::array<double, 64> exact_{};
};

} // namespace

bool Requantise(std::int16_t* coefficients, const std::uint16_t* quant, const float samples[64],
                std::span<const SampleTarget> targets) {
    if (targets.empty()) return false;
    const auto& basis = T().basis;
    // Each target's row over the coefficients, and the change it needs. A
    // target at the end of the range is met by any value beyond it.
    std::vector<std::array<double, 64>> rows(targets.size());
    std::vector<double> need(targets.size());
    for (std::size_t t = 0; t < targets.size(); ++t) {
        double now = 0, weight = 0;
        rows[t].fill(0);
        for (auto [position, w] : targets[t].samples) {
            now += w * samples[position];
            weight += w;
            for (int k = 0; k < 64; ++k)
                rows[t][k] += w * basis[position][k];
        }
        const double want = targets[t].value;
        const bool beyond = (want >= 255 * weight && now >= want) || (want <= 0 && now <= 0);
        need[t] = beyond ? 0 : want - now;
    }
    StepSearch search(coefficients, quant, std::move(rows), std::move(need));
    // Two starts, each polished: every coefficient at the step nearest its
    // exact change, which suits a lone target; and the coarse coefficients
    // rounded first with the fine ones making up for them, which suits
    // targets close together.
    std::array<int, 64> nearest{};
    for (int k = 0; k < 64; ++k)
        nearest[k] = search.bounded(k, search.exact(k) / search.q(k));
    StepSearch::Choice best = search.evaluate(nearest);
    search.polish(best);
    if (targets.size() > 1) {
        StepSearch::Choice other = search.evaluate(search.roundCoarseFirst());
        search.polish(other);
        if (other.cost < best.cost) best = std::move(other);
    }
    bool changed = false;
    for (int k = 0; k < 64; ++k)
        if (best.step[k] != 0) {
            coefficients[k] = std::int16_t(coefficients[k] + best.step[k]);
            changed = true;
        }
    return changed;
}

} // namespace vt::dct
