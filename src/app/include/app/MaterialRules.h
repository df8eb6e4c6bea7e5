#pragma once
// Edits of a cached material record, with the conversions of the main window's
// material panel. Shared by the main window and korvane-convert.
#include "model3ds/Records.h"

namespace app {

// The opacity spin edit, in percent within the model's bounds, stored divided by 100.
void SetMaterialOpacity(model3ds::TMaterial3DS& material, int percent);

// The specular power spin edit, within the model's bounds.
void SetMaterialPower(model3ds::TMaterial3DS& material, int power);

// The transparency the file gives the material, 0 to 1. The record keeps the
// sign its falloff flag gives it; how see-through the material is does not
// depend on that flag.
float FileTransparency(const model3ds::TMaterial3DS& material);

// The opacity the file itself gives: 1 - its transparency, within 0 to 1.
void TakeFileOpacity(model3ds::TMaterial3DS& material);

}  // namespace app
