// Material editing: the diffuse and specular colours, the opacity and the
// specular power of the selected material, changed in the loaded model only.
#include <QColorDialog>

#include "app/ColorSwatch.h"
#include "app/Document.h"
#include "app/ModelPanel.h"
#include "model3ds/MaterialColor.h"
#include "widgets/SpinEdit.h"
#include "app/MaterialRules.h"

namespace app {

namespace {

QColor ToQColor(std::uint32_t rgb) { return QColor(rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF); }

std::uint32_t FromQColor(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) | static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

}  // namespace

void TModelPanel::OnColor(TColorSwatch* sender) {
    if (document_.MeshTotal() == 0) return;
    const int index = SelectedMaterialIndex();
    if (index < 0) return;
    model3ds::TMaterial3DS& material = *document_.Model().MaterialList().GetMaterial(index);
    const std::string name = material.Name;
    model3ds::TColor3DS& color = sender == diffuseColor_    ? material.Diffuse
                                 : sender == speculerColor_ ? material.Specular
                                                           : material.Ambient;
    colorDialog_->setCurrentColor(ToQColor(model3ds::MaterialColorToRGB(color)));
    if (colorDialog_->exec() != QDialog::Accepted) return;
    color = model3ds::RGBToMaterialColor(FromQColor(colorDialog_->currentColor()));
    ShowMaterialInfo(name);
}

// The stored value stays within the field's bounds even while the typed text
// is outside them, so an export made before the field loses the focus never
// writes an opacity above 1 or a power the field could not show.
void TModelPanel::OnMaterialSet(widgets::TSpinEdit* sender) {
    const int index = SelectedMaterialIndex();
    if (index < 0) return;
    model3ds::TMaterial3DS& material = *document_.Model().MaterialList().GetMaterial(index);
    if (sender == specularCo_) {
        // Showing a material stores its shown opacity back unchanged: only a
        // change is the user's edit.
        const float before = material.Opacity;
        app::SetMaterialOpacity(material, specularCo_->Value());
        if (material.Opacity != before) document_.EditedOpacity.insert(material.Name);
    }
    if (sender == refrectCo_) app::SetMaterialPower(material, refrectCo_->Value());
}

}  // namespace app
