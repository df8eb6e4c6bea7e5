// The keyframer's hierarchy and its pose at a time.
#include "model3ds/Pose.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "KeyframerSpline.h"
#include "model3ds/ChunkIds.h"

namespace model3ds {

TMatrix4 TMatrix4::Identity() { return Scaling(1, 1, 1); }

TMatrix4 TMatrix4::Translation(double x, double y, double z) {
    TMatrix4 result = Identity();
    result.m[0][3] = x;
    result.m[1][3] = y;
    result.m[2][3] = z;
    return result;
}

TMatrix4 TMatrix4::Scaling(double x, double y, double z) {
    TMatrix4 result;
    result.m[0][0] = x;
    result.m[1][1] = y;
    result.m[2][2] = z;
    result.m[3][3] = 1;
    return result;
}

TMatrix4 TMatrix4::FromMesh(const TMatrix3DS& matrix) {
    TMatrix4 result = Identity();
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 3; ++row) result.m[row][column] = matrix.m[3 * column + row];
    }
    return result;
}

TMatrix4 operator*(const TMatrix4& a, const TMatrix4& b) {
    TMatrix4 result;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
            result.m[i][j] = sum;
        }
    }
    return result;
}

double Determinant(const TMatrix4& a) {
    const auto& m = a.m;
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

TMatrix4 InverseAffine(const TMatrix4& a) {
    const double det = Determinant(a);
    if (!(std::fabs(det) > 1e-300) || !std::isfinite(det)) return TMatrix4::Identity();
    TMatrix4 result = TMatrix4::Identity();
    const auto& m = a.m;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
            result.m[i][j] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
        }
    }
    for (int i = 0; i < 3; ++i) {
        result.m[i][3] = -(result.m[i][0] * m[0][3] + result.m[i][1] * m[1][3] + result.m[i][2] * m[2][3]);
    }
    return result;
}

TVector3DS TransformPoint(const TMatrix4& a, TVector3DS p) {
    const auto& m = a.m;
    return {static_cast<float>(m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + m[0][3]),
            static_cast<float>(m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + m[1][3]),
            static_cast<float>(m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + m[2][3])};
}

TQuat AngleAxisQuat(double angle, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0) || !std::isfinite(length) || !std::isfinite(angle)) return {};
    const double s = std::sin(angle / 2) / length;
    return {std::cos(angle / 2), x * s, y * s, z * s};
}

TQuat operator*(const TQuat& a, const TQuat& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

TMatrix4 RotationMatrix(const TQuat& q) {
    const double n = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
    const double s = n > 0 ? 2 / n : 0;
    const double xx = q.x * q.x * s, yy = q.y * q.y * s, zz = q.z * q.z * s;
    const double xy = q.x * q.y * s, xz = q.x * q.z * s, yz = q.y * q.z * s;
    const double wx = q.w * q.x * s, wy = q.w * q.y * s, wz = q.w * q.z * s;
    TMatrix4 r = TMatrix4::Identity();
    r.m[0] = {1 - yy - zz, xy - wz, xz + wy, 0};
    r.m[1] = {xy + wz, 1 - xx - zz, yz - wx, 0};
    r.m[2] = {xz - wy, yz + wx, 1 - xx - yy, 0};
    return r;
}

TMatrix4 TNodePose::Matrix() const {
    return TMatrix4::Translation(Position[0], Position[1], Position[2]) * RotationMatrix(Rotation) *
           TMatrix4::Scaling(Scale[0], Scale[1], Scale[2]);
}

namespace {

struct TNodeTracks {
    TNodeTracks(const TKFNode3DS& node, std::vector<std::string>& warnings)
        : Position(node.Position, 3, Label(node, "position track"), warnings),
          Rotation(node.Rotation, Label(node, "rotation track"), warnings),
          Scale(node.Scale, 3, Label(node, "scale track"), warnings),
          Roll(node.Roll, 1, Label(node, "roll track"), warnings) {}

    static std::string Label(const TKFNode3DS& node, const char* track) {
        return "keyframer node \"" + node.Name + "\": its " + track;
    }

    bool Moves() const {
        return !(Position.Constant() || Position.Empty()) || !(Rotation.Empty() || Rotation.Constant()) ||
               !(Scale.Empty() || Scale.Constant()) || !(Roll.Empty() || Roll.Constant());
    }

    TVectorSpline Position;
    TRotationSpline Rotation;
    TVectorSpline Scale;
    TVectorSpline Roll;
};

constexpr double kDegree = 3.14159265358979323846 / 180;

double Length(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

}  // namespace

TMatrix4 AimMatrix(const double eye[3], const double target[3], double roll) {
    double ahead[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    double length = Length(ahead);
    if (!(length > 0) || !std::isfinite(length)) return TMatrix4::Translation(eye[0], eye[1], eye[2]);
    for (double& v : ahead) v /= length;
    // Straight up or down, "up" is taken along y instead.
    const bool vertical = std::fabs(ahead[2]) > 1 - 1e-9;
    double right[3] = {vertical ? 1.0 : ahead[1], vertical ? 0.0 : -ahead[0], 0};
    length = Length(right);
    for (double& v : right) v /= length;
    const double up[3] = {right[1] * ahead[2] - right[2] * ahead[1], right[2] * ahead[0] - right[0] * ahead[2],
                          right[0] * ahead[1] - right[1] * ahead[0]};
    TMatrix4 aim = TMatrix4::Translation(eye[0], eye[1], eye[2]);
    for (int row = 0; row < 3; ++row) {
        aim.m[row][0] = right[row];
        aim.m[row][1] = up[row];
        aim.m[row][2] = -ahead[row];
    }
    return aim * RotationMatrix(AngleAxisQuat(roll * kDegree, 0, 0, 1));
}

struct TPoseEvaluator::Impl {
    const TKeyframer3DS& keyframer;
    std::vector<std::string> warnings;
    std::vector<TNodeTracks> tracks;
    std::vector<int> parents;
    std::vector<int> targets;  // a camera's target node, or -1
    std::vector<std::size_t> order;
    std::vector<TMatrix4> current;  // every node at the file's current frame

    explicit Impl(const TKeyframer3DS& source) : keyframer(source) {
        const std::vector<TKFNode3DS>& nodes = keyframer.Nodes;
        tracks.reserve(nodes.size());
        for (const TKFNode3DS& node : nodes) tracks.emplace_back(node, warnings);
        LinkParents();
        BreakCycles();
        SortParentsFirst();
        FindTargets();
    }

    void LinkParents() {
        const std::vector<TKFNode3DS>& nodes = keyframer.Nodes;
        std::unordered_map<std::int16_t, int> byId;
        for (std::size_t i = 0; i < nodes.size(); ++i) byId.emplace(nodes[i].Id, static_cast<int>(i));
        parents.assign(nodes.size(), -1);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].ParentId == -1) continue;
            const auto found = byId.find(nodes[i].ParentId);
            if (found == byId.end() || found->second == static_cast<int>(i)) {
                warnings.push_back("keyframer node \"" + nodes[i].Name + "\": its parent id " +
                                   std::to_string(nodes[i].ParentId) + " names no other node; it stands at the top");
            } else {
                parents[i] = found->second;
            }
        }
    }

    // Follows each chain of parents once; a chain that comes back to itself is cut
    // above the node where it closes.
    void BreakCycles() {
        enum : std::uint8_t { Unseen, OnPath, Done };
        std::vector<std::uint8_t> state(parents.size(), Unseen);
        std::vector<std::size_t> path;
        for (std::size_t start = 0; start < parents.size(); ++start) {
            path.clear();
            int j = static_cast<int>(start);
            while (j >= 0 && state[static_cast<std::size_t>(j)] == Unseen) {
                state[static_cast<std::size_t>(j)] = OnPath;
                path.push_back(static_cast<std::size_t>(j));
                j = parents[static_cast<std::size_t>(j)];
            }
            if (j >= 0 && state[static_cast<std::size_t>(j)] == OnPath) {
                parents[path.back()] = -1;
                warnings.push_back("keyframer node \"" + keyframer.Nodes[path.back()].Name +
                                   "\": its parents form a cycle; it stands at the top");
            }
            for (std::size_t k : path) state[k] = Done;
        }
    }

    void SortParentsFirst() {
        std::vector<std::vector<std::size_t>> children(parents.size());
        std::vector<std::size_t> stack;
        for (std::size_t i = parents.size(); i-- > 0;) {
            if (parents[i] < 0) {
                stack.push_back(i);
            } else {
                children[static_cast<std::size_t>(parents[i])].push_back(i);
            }
        }
        while (!stack.empty()) {
            const std::size_t node = stack.back();
            stack.pop_back();
            order.push_back(node);
            // Listed last to first, so the first child comes off the stack first.
            for (const std::size_t child : children[node]) stack.push_back(child);
        }
    }

    // The target of a camera (a spotlight) is the camera (light) target node of
    // its name, the first after it in the file, else the first before it.
    void FindTargets() {
        const std::vector<TKFNode3DS>& nodes = keyframer.Nodes;
        targets.assign(nodes.size(), -1);
        using TByName = std::unordered_map<std::string, std::vector<int>>;
        TByName cameraTargets, lightTargets;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i].Tag == CK_NODE_TARGET) cameraTargets[nodes[i].Name].push_back(static_cast<int>(i));
            if (nodes[i].Tag == CK_NODE_LIGHT_TARGET) lightTargets[nodes[i].Name].push_back(static_cast<int>(i));
        }
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const TByName* byName = nodes[i].Tag == CK_NODE_CAMERA ? &cameraTargets
                                    : nodes[i].Tag == CK_NODE_SPOT ? &lightTargets
                                                                   : nullptr;
            if (byName == nullptr) continue;
            const auto found = byName->find(nodes[i].Name);
            if (found == byName->end()) continue;
            const std::vector<int>& candidates = found->second;
            const auto after = std::upper_bound(candidates.begin(), candidates.end(), static_cast<int>(i));
            targets[i] = after != candidates.end() ? *after : candidates.front();
        }
    }

    TNodePose Local(std::size_t node, double frame) const {
        TNodePose pose;
        const TNodeTracks& t = tracks[node];
        if (!t.Position.Empty()) t.Position.Evaluate(frame, pose.Position);
        if (!t.Rotation.Empty()) pose.Rotation = t.Rotation.Evaluate(frame);
        if (!t.Scale.Empty()) t.Scale.Evaluate(frame, pose.Scale);
        return pose;
    }

    double Roll(std::size_t node, double frame) const {
        if (tracks[node].Roll.Empty()) return 0;
        double value[3];
        tracks[node].Roll.Evaluate(frame, value);
        return value[0];
    }

    // Every node's matrix from its own tracks and its parents', without cameras'
    // aims: where a target stands. Each node is worked out once, from its parent's.
    std::vector<TMatrix4> Unaimed(const std::vector<TMatrix4>& local) const {
        std::vector<TMatrix4> unaimed(local.size());
        for (std::size_t i : order) {
            const int parent = parents[i];
            unaimed[i] = parent >= 0 ? unaimed[static_cast<std::size_t>(parent)] * local[i] : local[i];
        }
        return unaimed;
    }

    std::vector<TMatrix4> World(double frame) const {
        std::vector<TMatrix4> local(parents.size());
        for (std::size_t i = 0; i < local.size(); ++i) local[i] = Local(i, frame).Matrix();
        const bool aims = std::any_of(targets.begin(), targets.end(), [](int target) { return target >= 0; });
        const std::vector<TMatrix4> unaimed = aims ? Unaimed(local) : std::vector<TMatrix4>();
        std::vector<TMatrix4> world(parents.size());
        for (std::size_t i : order) {
            const int parent = parents[i];
            const TMatrix4 above = parent >= 0 ? world[static_cast<std::size_t>(parent)] : TMatrix4::Identity();
            const TMatrix4 here = above * local[i];
            if (targets[i] < 0) {
                world[i] = here;
                continue;
            }
            const TMatrix4& target = unaimed[static_cast<std::size_t>(targets[i])];
            const double from[3] = {here.m[0][3], here.m[1][3], here.m[2][3]};
            const double to[3] = {target.m[0][3], target.m[1][3], target.m[2][3]};
            world[i] = AimMatrix(from, to, Roll(i, frame));
        }
        return world;
    }
};

TPoseEvaluator::TPoseEvaluator(const TKeyframer3DS& keyframer) : impl_(std::make_unique<Impl>(keyframer)) {
    impl_->current = impl_->World(keyframer.CurrentFrame);
}

TPoseEvaluator::~TPoseEvaluator() = default;

std::size_t TPoseEvaluator::NodeCount() const { return impl_->parents.size(); }

int TPoseEvaluator::Parent(std::size_t node) const { return impl_->parents[node]; }

const std::vector<std::size_t>& TPoseEvaluator::Order() const { return impl_->order; }

const std::vector<std::string>& TPoseEvaluator::Warnings() const { return impl_->warnings; }

TNodePose TPoseEvaluator::LocalPose(std::size_t node, double frame) const { return impl_->Local(node, frame); }

std::vector<TMatrix4> TPoseEvaluator::World(double frame) const { return impl_->World(frame); }

TMatrix4 TPoseEvaluator::MeshPlacement(std::size_t node, const TMatrix3DS& meshMatrix,
                                       const std::vector<TMatrix4>& world) const {
    return world[node] * MeshInNode(node, meshMatrix);
}

TMatrix4 TPoseEvaluator::MeshInNode(std::size_t node, const TMatrix3DS& meshMatrix) const {
    const TMatrix4 mesh = TMatrix4::FromMesh(meshMatrix);
    if (Determinant(mesh) < 0) return InverseAffine(impl_->current[node]);
    const TVector3DS& pivot = impl_->keyframer.Nodes[node].Pivot;
    return TMatrix4::Translation(-pivot.x, -pivot.y, -pivot.z) * InverseAffine(mesh);
}

bool TPoseEvaluator::Aimed(std::size_t node) const { return impl_->targets[node] >= 0; }

bool TPoseEvaluator::Moves(std::size_t node) const {
    const int target = impl_->targets[node];
    return impl_->tracks[node].Moves() || (target >= 0 && impl_->tracks[static_cast<std::size_t>(target)].Moves());
}


}  // namespace model3ds
