#pragma once
// Frames of the retained-mode scene: a tree in which every frame is placed and
// turned relative to its parent, and can be placed, turned or asked for its
// position relative to any other frame of the tree. A frame owns its children;
// the visuals and lights it carries are owned elsewhere and only referred to.
#include <memory>
#include <vector>

#include "viewer/Math3D.h"

namespace viewer {

class MeshBuilder;

struct Color3 {
    float red = 0, green = 0, blue = 0;
};

enum class LightType { Ambient, Directional };

// A directional light shines along the +z axis of the frame that carries it.
struct Light {
    LightType type = LightType::Ambient;
    Color3 color;
};

// How LookAt may turn the frame.
enum class LookAtConstraint { None, NoZRotation };

class Frame {
public:
    Frame() = default;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // A new frame placed at its parent's origin with its parent's orientation.
    Frame& CreateChild();
    // Makes child a child of this frame, keeping its placement relative to the
    // new parent. Nothing happens when it is one already or when it is this
    // frame or one of its ancestors.
    void AddChild(Frame& child);

    // A null reference stands for the parent (for the root: the world).
    void SetPosition(const Frame* reference, Vec3 position);
    Vec3 GetPosition(const Frame* reference) const;
    // Sets the turning that Move applies: about axis, given in the reference's
    // coordinates, by angle radians per unit of delta.
    void SetRotation(const Frame* reference, Vec3 axis, float angle);
    // Applies the turning of this frame and of every frame below it, each about
    // its own origin.
    void Move(float delta);
    // Turns the frame so that its +z axis points at target's origin; with
    // NoZRotation its x axis stays level with the reference's x-z plane.
    void LookAt(const Frame& target, const Frame* reference, LookAtConstraint constraint);

    void AddVisual(MeshBuilder& visual) { visuals_.push_back(&visual); }
    void AddLight(Light& light) { lights_.push_back(&light); }

    // The background colour of the scene this frame belongs to (kept by the root).
    void SetSceneBackgroundRGB(float red, float green, float blue);
    Color3 GetSceneBackground() const { return Root().background_; }

    // Placement relative to the parent and to the world (row vectors: p * M).
    const Matrix4& Transform() const { return transform_; }
    Matrix4 WorldTransform() const;

    const Frame* Parent() const { return parent_; }
    const std::vector<std::unique_ptr<Frame>>& Children() const { return children_; }
    const std::vector<MeshBuilder*>& Visuals() const { return visuals_; }
    const std::vector<Light*>& Lights() const { return lights_; }

private:
    const Frame& Root() const;
    Frame& Root();
    Matrix4 ReferenceTransform(const Frame* reference) const;
    Matrix4 ParentWorldTransform() const;
    void SetWorldTransform(const Matrix4& world);

    Frame* parent_ = nullptr;
    std::vector<std::unique_ptr<Frame>> children_;
    Matrix4 transform_ = Matrix4::Identity();
    std::vector<MeshBuilder*> visuals_;
    std::vector<Light*> lights_;
    const Frame* rotationReference_ = nullptr;
    Vec3 rotationAxis_;
    float rotationAngle_ = 0;
    Color3 background_;
};

}  // namespace viewer
