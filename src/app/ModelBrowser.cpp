// The model browser: the tree of meshes and their materials, and the boxes
// that show the selected mesh and material.
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QTextLayout>
#include <QTreeWidget>

#include <algorithm>
#include <climits>

#include "app/ColorSwatch.h"
#include "DisplayText.h"
#include "app/Document.h"
#include "app/ModelPanel.h"
#include "base/Format.h"
#include "model3ds/MaterialColor.h"
#include "widgets/SpinEdit.h"
#include "xexport/ExportPreparation.h"

namespace app {

namespace {

QString CornerText(const model3ds::TVector3DS& corner) {
    return DisplayText(base::Format("X:%.6f Y:%.6f Z:%.6f", corner.x, corner.y, corner.z));
}

// The smallest font a corner shrinks to; below it the numbers cannot be read.
constexpr int SmallestCornerPixels = 6;

// True when the text, wrapped as a label wraps it, fits the area and breaks
// only at its spaces: the line breaker would also break after a colon, between
// a coordinate's name and its number.
bool WrapsBetweenNumbers(const QString& text, const QFont& font, const QRect& area) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    bool fits = true;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        const int end = line.textStart() + line.textLength();
        fits = fits && line.naturalTextWidth() <= area.width() && (end == text.size() || text[end - 1].isSpace());
    }
    layout.endLayout();
    return fits && QFontMetrics(font).boundingRect(area, Qt::TextWordWrap, text).height() <= area.height();
}

// Shows a corner in its label, in the box's font or, when its numbers are too
// long for that, in the largest smaller one in which it wraps between numbers
// inside the label. Numbers so long that the line breaker would part a name from
// its number are put on lines of their own.
void ShowCorner(QLabel* label, const model3ds::TVector3DS& corner) {
    const QString text = CornerText(corner);
    const QString lines = QString(text).replace(u' ', QChar::LineSeparator);
    QFont font = label->parentWidget()->font();
    const int largest = QFontInfo(font).pixelSize();
    for (const QString& shown : {text, lines}) {
        for (int pixels = largest; pixels >= SmallestCornerPixels; --pixels) {
            font.setPixelSize(pixels);
            if (WrapsBetweenNumbers(shown, font, label->contentsRect())) {
                label->setFont(font);
                label->setText(shown);
                return;
            }
        }
    }
    label->setFont(font);
    label->setText(lines);
}

// A coefficient as its spin edit takes it: rounded, and within int whatever the file held.
int SpinValue(double value) {
    return static_cast<int>(std::clamp<long long>(base::RoundHalfEven(value), INT_MIN, INT_MAX));
}

// The material name a child node stands for, as the raw bytes of the file.
std::string NodeMaterialName(const QTreeWidgetItem* node) {
    return node->data(0, Qt::UserRole).toByteArray().toStdString();
}

}  // namespace

// A top-level node keeps the index of its mesh in the model's list, so that a
// mesh without a name, which gets no node, moves no command onto another mesh.
void TModelPanel::ShowModel() {
    treeView_->clear();
    model3ds::TObjectList& meshes = document_.Model().ObjectList();
    const int total = meshes.MeshTotal();
    QList<QTreeWidgetItem*> nodes;
    for (int i = 0; i < total; ++i) {
        const model3ds::TMesh3DS& mesh = *meshes.GetMesh(i);
        if (mesh.Name.empty()) continue;
        auto* node = new QTreeWidgetItem({DisplayText(mesh.Name)});
        node->setData(0, Qt::UserRole, i);
        for (const model3ds::TObjMat3DS& group : mesh.MatGroups) {
            auto* child = new QTreeWidgetItem(node, {DisplayText(group.Name)});
            child->setData(0, Qt::UserRole, QByteArray::fromStdString(group.Name));
        }
        nodes.append(node);
    }
    treeView_->addTopLevelItems(nodes);
    treeView_->setCurrentItem(nullptr);
    meshCount_->setText(DisplayText(base::Format(qUtf8Printable(tr("%d 個")), total)));
}

void TModelPanel::TreeViewChange(QTreeWidgetItem* node) {
    if (node && node->parent()) {
        ShowMaterialInfo(NodeMaterialName(node));
    } else {
        MeshNameListClick();
    }
    if (OnSelectionChange) OnSelectionChange();
}

void TModelPanel::MeshNameListClick() {
    const int meshIndex = SelectedMesh();
    if (meshIndex < 0 || meshIndex >= document_.MeshTotal()) return;
    const model3ds::TMesh3DS* mesh = document_.Model().ObjectList().GetMesh(meshIndex);
    if (!mesh) return;
    vertexCount_->setText(DisplayText(base::Format(qUtf8Printable(tr("%d 頂点")), mesh->NumVertices())));
    textureCoords_->setText(DisplayText(base::Format(qUtf8Printable(tr("%d Texture 座標系")), mesh->NumTexCoords())));
    faceCount_->setText(DisplayText(base::Format(qUtf8Printable(tr("%d 面")), mesh->NumFaces())));
    materialCount_->setText(DisplayText(base::Format(qUtf8Printable(tr("%d 個")), mesh->NumMatGroups())));
    const xexport::TMeshBounds bounds = xexport::GetMeshBounds(document_.Model(), meshIndex);
    ShowCorner(maxCoord_, bounds.Max);
    ShowCorner(minCoord_, bounds.Min);
}

int TModelPanel::SelectedMaterialIndex() const {
    const QTreeWidgetItem* node = treeView_->currentItem();
    if (!node || !node->parent()) return -1;
    return model3ds::FindMaterialIndex(document_.Model(), NodeMaterialName(node));
}

void TModelPanel::ShowMaterialInfo(const std::string& name) {
    const int index = model3ds::FindMaterialIndex(document_.Model(), name);
    if (index < 0) return;
    const model3ds::TMaterial3DS* material = document_.Model().MaterialList().GetMaterial(index);
    ambientColor_->SetColor(model3ds::MaterialColorToRGB(material->Ambient));
    diffuseColorRGB_->setText(DisplayText(model3ds::FormatColorText(material->Diffuse)));
    diffuseColor_->SetColor(model3ds::MaterialColorToRGB(material->Diffuse));
    speculerColorRGB_->setText(DisplayText(model3ds::FormatColorText(material->Specular)));
    speculerColor_->SetColor(model3ds::MaterialColorToRGB(material->Specular));
    selfIlluminate_->setText(DisplayText(base::Format("%lld %%", base::RoundHalfEven(100.0 * material->SelfIllumPct))));
    // Setting the fields stores their shown values back into this material when they differ.
    const float power = material->SpecularPower;
    const float opacity = material->Opacity;
    refrectCo_->SetValue(SpinValue(power));
    specularCo_->SetValue(SpinValue(opacity * 100.0));
}

}  // namespace app
