// Material editing: the diffuse and specular colours, the opacity and the
// specular power of the selected material, changed in the loaded model only.
#include <QColorDialog>

#include "app/ColorSwatch.h"
#include "app/MainFrm.h"
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

void TMainFrm::OnColor(TColorSwatch* sender) {
    if (Document.MeshTotal() == 0) return;
    const int index = SelectedMaterialIndex();
    if (index < 0) return;
    model3ds::TMaterial3DS& material = *Document.Model().MaterialList().GetMaterial(index);
    const std::string name = material.Name;
    model3ds::TColor3DS& color = sender == DiffuseColor    ? material.Diffuse
                                 : sender == SpeculerColor ? material.Specular
                                                           : material.Ambient;
    ColorDialog->setCurrentColor(ToQColor(model3ds::MaterialColorToRGB(color)));
    if (ColorDialog->exec() != QDialog::Accepted) return;
    color = model3ds::RGBToMaterialColor(FromQColor(ColorDialog->currentColor()));
    ShowMaterialInfo(name);
}

// The stored value stays within the field's bounds even while the typed text
// is outside them, so an export made before the field loses the focus never
// writes an opacity above 1 or a power the field could not show.
void TMainFrm::OnMaterialSet(widgets::TSpinEdit* sender) {
    const int index = SelectedMaterialIndex();
    if (index < 0) return;
    model3ds::TMaterial3DS& material = *Document.Model().MaterialList().GetMaterial(index);
    if (sender == SpecularCo) {
        // Showing a material stores its shown opacity back unchanged: only a
        // change is the user's edit.
        const float before = material.Opacity;
        app::SetMaterialOpacity(material, SpecularCo->Value());
        if (material.Opacity != before) Document.EditedOpacity.insert(material.Name);
    }
    if (sender == RefrectCo) app::SetMaterialPower(material, RefrectCo->Value());
}

}  // namespace app
