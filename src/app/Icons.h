#pragma once
// The window's pictures, drawn in code so that they are sharp at any size.
#include <QIcon>

namespace app {

// ToolImageList: 0 open, 1 close, 2 save, 3 show the object, 4 disconnect, 5 up a folder.
QIcon ToolIcon(int index);
// ImageList: the picture of the page tab (a mesh).
QIcon PageIcon();
// IconList, the remote grid's pictures: 0 folder, 1 open folder, 2 3D Studio model,
// 3 DirectX geometry, 4 any other file.
QIcon GridIcon(int index);

}  // namespace app
