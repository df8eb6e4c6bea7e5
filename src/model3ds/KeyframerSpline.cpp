#include "KeyframerSpline.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace model3ds {

namespace {

double FiniteOr(float value, double fallback) { return std::isfinite(value) ? value : fallback; }

TSplineKey CheckedKey(const TKFKey3DS& key) {
    TSplineKey checked;
    checked.Frame = key.Frame;
    checked.Tension = std::clamp(FiniteOr(key.Spline.Tension, 0), -1.0, 1.0);
    checked.Continuity = std::clamp(FiniteOr(key.Spline.Continuity, 0), -1.0, 1.0);
    checked.Bias = std::clamp(FiniteOr(key.Spline.Bias, 0), -1.0, 1.0);
    checked.EaseTo = std::clamp(FiniteOr(key.Spline.EaseTo, 0), 0.0, 1.0);
    checked.EaseFrom = std::clamp(FiniteOr(key.Spline.EaseFrom, 0), 0.0, 1.0);
    return checked;
}

// The keys in the order of their frames; of keys on one frame, the first in the file.
std::vector<std::size_t> FrameOrder(const std::vector<TKFKey3DS>& keys, const std::vector<bool>& usable,
                                    const std::string& what, std::vector<std::string>& warnings) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (usable[i]) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::size_t a, std::size_t b) { return keys[a].Frame < keys[b].Frame; });
    const auto sameFrame = [&keys](std::size_t a, std::size_t b) { return keys[a].Frame == keys[b].Frame; };
    const auto end = std::unique(order.begin(), order.end(), sameFrame);
    if (end != order.end()) warnings.push_back(what + " has several keys on one frame; the first is used");
    order.erase(end, order.end());
    return order;
}

// 3D Studio's ease: the curve's parameter slowed down near the segment's ends.
double Ease(double u, double from, double to) {
    const double sum = from + to;
    if (sum <= 0) return u;
    if (sum > 1) {
        from /= sum;
        to /= sum;
    }
    const double k = 1 / (2 - from - to);
    if (u < from) return k / from * u * u;
    if (u < 1 - to) return k * (2 * u - from);
    const double rest = 1 - u;
    return 1 - k / to * rest * rest;
}

using Vec = std::array<double, 3>;

Vec operator-(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec operator+(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec operator*(double s, const Vec& a) { return {s * a[0], s * a[1], s * a[2]}; }

TQuat Conjugate(const TQuat& q) { return {q.w, -q.x, -q.y, -q.z}; }

// The rotation vector of a unit quaternion (half the angle times the axis); a
// quaternion with a negative w gives a half angle past 90 degrees, so a key that
// turns more than half a revolution keeps its direction.
Vec Log(const TQuat& q) {
    const double s = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
    if (s < 1e-12) return {q.x, q.y, q.z};
    const double angle = std::atan2(s, q.w);
    return {q.x * angle / s, q.y * angle / s, q.z * angle / s};
}

TQuat Exp(const Vec& v) {
    const double angle = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (angle < 1e-12) return {1, v[0], v[1], v[2]};
    const double s = std::sin(angle) / angle;
    return {std::cos(angle), v[0] * s, v[1] * s, v[2] * s};
}

// The rotation vector turning a into b.
Vec Turn(const TQuat& a, const TQuat& b) { return Log(Conjugate(a) * b); }

TQuat Slerp(const TQuat& a, const TQuat& b, double u) { return a * Exp(u * Turn(a, b)); }

double Hermite(double u, double p0, double p1, double t0, double t1) {
    const double u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * p0 + (3 * u2 - 2 * u3) * p1 + (u3 - 2 * u2 + u) * t0 + (u3 - u2) * t1;
}

// Tangents at key i from the differences g (g(k) = value k+1 - value k): inward and
// outward. At an end of a looping track the neighbour is across the join.
template <typename Difference>
void Tangents(const TSplineTiming& timing, std::size_t i, Difference g, Vec& in, Vec& out) {
    const std::size_t last = timing.Size() - 1;
    const Vec prev = i > 0 ? g(i - 1) : g(last - 1);
    const Vec next = i < last ? g(i) : g(0);
    const TSplineTiming::TWeights w = timing.Weights(i);
    in = w.InPrev * prev + w.InNext * next;
    out = w.OutPrev * prev + w.OutNext * next;
}

}  // namespace

void TSplineTiming::Reset(std::vector<TSplineKey> keys, bool repeats, bool loops) {
    keys_ = std::move(keys);
    repeats_ = repeats && keys_.size() > 1;
    loops_ = loops && keys_.size() > 2;
}

TSplineSpot TSplineTiming::Locate(double frame) const {
    const std::size_t n = keys_.size();
    if (n < 2) return {};
    const double first = keys_.front().Frame, last = keys_.back().Frame;
    if (repeats_ && (frame < first || frame > last)) {
        const double span = last - first;
        double rest = std::fmod(frame - first, span);
        if (rest < 0) rest += span;
        frame = first + rest;
    }
    if (!(frame > first)) return {0, 0};
    if (frame >= last) return {n - 2, 1};
    const auto after = std::upper_bound(keys_.begin(), keys_.end(), frame,
                                        [](double f, const TSplineKey& key) { return f < key.Frame; });
    const std::size_t i = static_cast<std::size_t>(after - keys_.begin()) - 1;
    const TSplineKey& a = keys_[i];
    const TSplineKey& b = keys_[i + 1];
    return {i, Ease((frame - a.Frame) / (b.Frame - a.Frame), a.EaseFrom, b.EaseTo)};
}

TSplineTiming::TWeights TSplineTiming::Weights(std::size_t i) const {
    const std::size_t last = keys_.size() - 1;
    const TSplineKey& key = keys_[i];
    const double prevGap = i > 0 ? key.Frame - keys_[i - 1].Frame : keys_[last].Frame - keys_[last - 1].Frame;
    const double nextGap = i < last ? keys_[i + 1].Frame - key.Frame : keys_[1].Frame - keys_[0].Frame;
    // Continuity also evens out the spacing: at full continuity (or discontinuity)
    // both tangents keep their length whatever the gaps to the neighbours.
    const double c = std::fabs(key.Continuity);
    const double in = 2 * prevGap / (prevGap + nextGap), out = 2 * nextGap / (prevGap + nextGap);
    const double evenIn = in + c * (1 - in), evenOut = out + c * (1 - out);
    const double t = 1 - key.Tension, cm = 1 - key.Continuity, cp = 1 + key.Continuity, bm = 1 - key.Bias,
                 bp = 1 + key.Bias;
    return {evenIn * t * cm * bp / 2, evenIn * t * cp * bm / 2, evenOut * t * cp * bp / 2, evenOut * t * cm * bm / 2};
}

TVectorSpline::TVectorSpline(const TKFTrack3DS& track, int dims, const std::string& what,
                             std::vector<std::string>& warnings) {
    std::vector<bool> usable(track.Keys.size());
    bool dropped = false;
    for (std::size_t i = 0; i < track.Keys.size(); ++i) {
        const float* v = track.Keys[i].Value;
        usable[i] = std::all_of(v, v + dims, [](float value) { return std::isfinite(value); });
        dropped = dropped || !usable[i];
    }
    if (dropped) warnings.push_back(what + " has keys that are not numbers; they are left out");
    std::vector<TSplineKey> keys;
    for (std::size_t i : FrameOrder(track.Keys, usable, what, warnings)) {
        keys.push_back(CheckedKey(track.Keys[i]));
        Value value{};
        for (int d = 0; d < dims; ++d) value[static_cast<std::size_t>(d)] = track.Keys[i].Value[d];
        values_.push_back(value);
    }
    timing_.Reset(std::move(keys), track.Repeats(), track.Loops());
    const std::size_t n = values_.size();
    in_.assign(n, Value{});
    out_.assign(n, Value{});
    if (n < 2) return;
    const auto g = [this](std::size_t k) { return values_[k + 1] - values_[k]; };
    for (std::size_t i = 0; i < n; ++i) Tangents(timing_, i, g, in_[i], out_[i]);
    if (timing_.Loops()) return;
    // Open ends head straight for the neighbouring key.
    out_[0] = g(0);
    in_[n - 1] = g(n - 2);
}

bool TVectorSpline::Constant() const {
    return std::all_of(values_.begin(), values_.end(), [this](const Value& v) { return v == values_.front(); });
}

void TVectorSpline::Evaluate(double frame, double out[3]) const {
    const TSplineSpot spot = timing_.Locate(frame);
    const std::size_t i = spot.Key;
    for (std::size_t d = 0; d < 3; ++d) {
        out[d] = values_.size() < 2 ? values_[0][d]
                                    : Hermite(spot.U, values_[i][d], values_[i + 1][d], out_[i][d], in_[i + 1][d]);
    }
}

TRotationSpline::TRotationSpline(const TKFTrack3DS& track, const std::string& what,
                                 std::vector<std::string>& warnings) {
    // Each key turns on from the one before it in the file.
    std::vector<TQuat> absolute;
    std::vector<bool> usable(track.Keys.size(), true);
    TQuat current;
    bool broken = false;
    for (const TKFKey3DS& key : track.Keys) {
        const float* v = key.Value;
        const bool finite = std::all_of(v, v + 4, [](float value) { return std::isfinite(value); });
        broken = broken || !finite;
        if (finite) current = AngleAxisQuat(-v[0], v[1], v[2], v[3]) * current;
        absolute.push_back(current);
    }
    if (broken) warnings.push_back(what + " has keys that are not numbers; they turn nothing");
    std::vector<TSplineKey> keys;
    for (std::size_t i : FrameOrder(track.Keys, usable, what, warnings)) {
        keys.push_back(CheckedKey(track.Keys[i]));
        rotations_.push_back(absolute[i]);
    }
    timing_.Reset(std::move(keys), track.Repeats(), track.Loops());
    const std::size_t n = rotations_.size();
    leaving_ = rotations_;
    reaching_ = rotations_;
    if (n < 2) return;
    turns_.resize(n - 1);
    for (std::size_t k = 0; k + 1 < n; ++k) turns_[k] = Turn(rotations_[k], rotations_[k + 1]);
    const auto g = [this](std::size_t k) { return turns_[k]; };
    std::vector<Vec> in(n), out(n);
    for (std::size_t i = 0; i < n; ++i) Tangents(timing_, i, g, in[i], out[i]);
    if (!timing_.Loops()) {
        out[0] = g(0);
        in[n - 1] = g(n - 2);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const Vec before = i > 0 ? g(i - 1) : (timing_.Loops() ? g(n - 2) : in[i]);
        const Vec after = i + 1 < n ? g(i) : (timing_.Loops() ? g(0) : out[i]);
        reaching_[i] = rotations_[i] * Exp(0.5 * (before - in[i]));
        leaving_[i] = rotations_[i] * Exp(0.5 * (out[i] - after));
    }
    controlTurns_.resize(n - 1);
    for (std::size_t k = 0; k + 1 < n; ++k) controlTurns_[k] = Turn(leaving_[k], reaching_[k + 1]);
}

bool TRotationSpline::Constant() const {
    const TQuat& first = rotations_.front();
    return std::all_of(rotations_.begin(), rotations_.end(), [&first](const TQuat& q) {
        return q.w == first.w && q.x == first.x && q.y == first.y && q.z == first.z;
    });
}

TQuat TRotationSpline::Evaluate(double frame) const {
    if (rotations_.size() < 2) return rotations_.front();
    const TSplineSpot spot = timing_.Locate(frame);
    const std::size_t i = spot.Key;
    const double u = spot.U;
    return Slerp(rotations_[i] * Exp(u * turns_[i]), leaving_[i] * Exp(u * controlTurns_[i]), 2 * u * (1 - u));
}

}  // namespace model3ds
