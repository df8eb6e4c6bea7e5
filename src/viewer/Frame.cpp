#include "viewer/Frame.h"

#include <algorithm>

namespace viewer {

Frame& Frame::CreateChild() {
    children_.push_back(std::make_unique<Frame>());
    children_.back()->parent_ = this;
    return *children_.back();
}

void Frame::AddChild(Frame& child) {
    for (const Frame* f = this; f; f = f->parent_)
        if (f == &child) return;
    if (child.parent_ == this || !child.parent_) return;
    auto& siblings = child.parent_->children_;
    const auto it = std::find_if(siblings.begin(), siblings.end(),
                                 [&](const std::unique_ptr<Frame>& f) { return f.get() == &child; });
    children_.push_back(std::move(*it));
    siblings.erase(it);
    child.parent_ = this;
}

const Frame& Frame::Root() const {
    const Frame* f = this;
    while (f->parent_) f = f->parent_;
    return *f;
}

Frame& Frame::Root() {
    Frame* f = this;
    while (f->parent_) f = f->parent_;
    return *f;
}

Matrix4 Frame::WorldTransform() const {
    return transform_ * ParentWorldTransform();
}

Matrix4 Frame::ParentWorldTransform() const {
    return parent_ ? parent_->WorldTransform() : Matrix4::Identity();
}

Matrix4 Frame::ReferenceTransform(const Frame* reference) const {
    return reference ? reference->WorldTransform() : ParentWorldTransform();
}

void Frame::SetWorldTransform(const Matrix4& world) {
    transform_ = world * InverseAffine(ParentWorldTransform());
}

void Frame::SetPosition(const Frame* reference, Vec3 position) {
    Matrix4 world = WorldTransform();
    world.SetRow(3, TransformPoint(position, ReferenceTransform(reference)));
    SetWorldTransform(world);
}

Vec3 Frame::GetPosition(const Frame* reference) const {
    return TransformPoint(WorldTransform().Row(3), InverseAffine(ReferenceTransform(reference)));
}

void Frame::SetRotation(const Frame* reference, Vec3 axis, float angle) {
    rotationReference_ = reference;
    rotationAxis_ = axis;
    rotationAngle_ = angle;
}

void Frame::Move(float delta) {
    if (rotationAngle_ != 0 && Length(rotationAxis_) > 0) {
        const Vec3 axis = TransformDirection(rotationAxis_, ReferenceTransform(rotationReference_));
        Matrix4 world = WorldTransform();
        const Vec3 origin = world.Row(3);
        world.SetRow(3, {});
        world = world * Matrix4::Rotation(axis, rotationAngle_ * delta);
        world.SetRow(3, origin);
        SetWorldTransform(world);
    }
    for (const auto& child : children_) child->Move(delta);
}

void Frame::LookAt(const Frame& target, const Frame* reference, LookAtConstraint constraint) {
    const Matrix4 world = WorldTransform();
    const Vec3 origin = world.Row(3);
    const Vec3 z = Normalize(target.WorldTransform().Row(3) - origin);
    if (Length(z) == 0) return;
    const Matrix4 referenceWorld = ReferenceTransform(reference);
    const Vec3 up = constraint == LookAtConstraint::NoZRotation ? Normalize(referenceWorld.Row(1))
                                                                : Normalize(world.Row(1));
    Vec3 x = Normalize(Cross(up, z));
    if (Length(x) == 0) x = Normalize(Cross(Normalize(world.Row(1)), z));
    if (Length(x) == 0) x = Normalize(referenceWorld.Row(0));
    SetWorldTransform(Matrix4::FromAxes(x, Cross(z, x), z, origin));
}

void Frame::SetSceneBackgroundRGB(float red, float green, float blue) {
    Root().background_ = {red, green, blue};
}

}  // namespace viewer

