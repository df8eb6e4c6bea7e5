#pragma once
// A keyframer track made ready for evaluation at any time: Kochanek-Bartels
// (tension, continuity, bias) splines with ease, for values of up to three
// numbers and for rotations. A track with no usable key has no value; one key
// holds its value for ever.
#include <array>
#include <string>
#include <vector>

#include "model3ds/Keyframer.h"
#include "model3ds/Pose.h"

namespace model3ds {

// A key's time and spline parameters, checked: non-finite parameters are 0 and
// every parameter lies in its range.
struct TSplineKey {
    double Frame = 0;
    double Tension = 0, Continuity = 0, Bias = 0, EaseTo = 0, EaseFrom = 0;
};

// Which key segment a time falls in and how far along it, eased.
struct TSplineSpot {
    std::size_t Key = 0;  // the segment from Key to Key + 1
    double U = 0;         // 0 at Key, 1 at Key + 1
};

// What the vector and the rotation tracks share: the keys' times and parameters,
// repeating, and the weights of the neighbouring differences in a key's tangents.
class TSplineTiming {
public:
    void Reset(std::vector<TSplineKey> keys, bool repeats, bool loops);
    std::size_t Size() const { return keys_.size(); }
    const TSplineKey& Key(std::size_t i) const { return keys_[i]; }
    bool Loops() const { return loops_; }
    TSplineSpot Locate(double frame) const;

    // The weights of (this key - previous key) and (next key - this key) in the
    // key's incoming and outgoing tangents, scaled for unequal key spacing.
    struct TWeights {
        double InPrev = 0, InNext = 0, OutPrev = 0, OutNext = 0;
    };
    TWeights Weights(std::size_t i) const;

private:
    std::vector<TSplineKey> keys_;
    bool repeats_ = false;
    bool loops_ = false;
};

class TVectorSpline {
public:
    // dims: 3 for positions and scales, 1 for rolls.
    TVectorSpline(const TKFTrack3DS& track, int dims, const std::string& what, std::vector<std::string>& warnings);
    bool Empty() const { return values_.empty(); }
    // Whether every key holds the same value.
    bool Constant() const;
    void Evaluate(double frame, double out[3]) const;

private:
    using Value = std::array<double, 3>;
    TSplineTiming timing_;
    std::vector<Value> values_, in_, out_;
};

class TRotationSpline {
public:
    TRotationSpline(const TKFTrack3DS& track, const std::string& what, std::vector<std::string>& warnings);
    bool Empty() const { return rotations_.empty(); }
    bool Constant() const;
    TQuat Evaluate(double frame) const;

private:
    TSplineTiming timing_;
    // Each key's absolute rotation, and the inner control rotations of the curve
    // leaving and reaching it.
    std::vector<TQuat> rotations_, leaving_, reaching_;
    // Per segment, the turns from its first key to its last and from the control
    // rotation leaving the first to the one reaching the last, as rotation
    // vectors: worked out once rather than at every time asked for.
    std::vector<std::array<double, 3>> turns_, controlTurns_;
};

}  // namespace model3ds
