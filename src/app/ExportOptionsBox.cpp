#include "app/ExportOptionsBox.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <initializer_list>

#include "widgets/HandlerGuard.h"

namespace app {

namespace {

constexpr int kExportOptionsHeight = 144;  // six rows of options, to the page's foot
constexpr int kRowMargin = 12;

void Place(QAbstractButton* button, int x, int y) {
    button->move(x, y);
    button->adjustSize();
}

}  // namespace

TExportOptionsBox::TExportOptionsBox(QWidget* parent) : QGroupBox(tr("Direct3D 変換オプション"), parent) {
    setGeometry(5, 213, 490, 86);
    selectAllMesh_ = new QCheckBox(tr("全メッシュを合成する"), this);
    saveMaterial_ = new QCheckBox(tr("マテリアルも保存する"), this);
    setTranse_ = new QCheckBox(tr("マテリアルの透明度を考慮する"), this);
    encodeZeroCenter_ = new QRadioButton(tr("(0,0,0) を立体の中心座標に変換する"), this);
    encodeZeroLeft_ = new QRadioButton(tr("(0,0,0) を原点に変換する"), this);
    notEncode_ = new QRadioButton(tr("頂点座標を変換しない"), this);
    Place(selectAllMesh_, 12, 20);
    Place(saveMaterial_, 12, 40);
    Place(setTranse_, 12, 60);
    Place(encodeZeroCenter_, 210, 20);
    Place(encodeZeroLeft_, 210, 40);
    Place(notEncode_, 210, 60);
    saveMaterial_->setChecked(true);
    setTranse_->setChecked(true);
    encodeZeroCenter_->setChecked(true);
    // The converter's extras, off so that the window writes what it always wrote,
    // side by side in a row of their own.
    saveTextureCoords_ = new QCheckBox(tr("テクスチャ座標も保存する"), this);
    saveTextureNames_ = new QCheckBox(tr("テクスチャ名も保存する"), this);
    saveNormals_ = new QCheckBox(tr("法線も保存する"), this);
    saveHierarchy_ = new QCheckBox(tr("フレーム階層も保存する"), this);
    saveAnimation_ = new QCheckBox(tr("アニメーションも保存する"), this);
    const auto row = [](std::initializer_list<QCheckBox*> extras, int y) {
        int x = 12;
        for (QCheckBox* extra : extras) {
            Place(extra, x, y);
            extra->setAccessibleName(extra->text());
            x += extra->width() + 12;
        }
    };
    row({saveTextureCoords_, saveTextureNames_, saveNormals_}, 80);
    row({saveHierarchy_, saveAnimation_}, 100);
    CreateTextureFolderRow(120);
    resize(width(), kExportOptionsHeight);
    // Kept for the options the window has no use for; they sit below the group's visible area.
    setIndipendentVertex_ = new QCheckBox(tr("独立頂点に分解する"), this);
    combineMesh_ = new QCheckBox(tr("全メッシュを合成する"), this);
    Place(setIndipendentVertex_, 12, kExportOptionsHeight + 10);
    Place(combineMesh_, 210, kExportOptionsHeight + 10);
    setIndipendentVertex_->setEnabled(false);
    combineMesh_->setEnabled(false);

    connect(selectAllMesh_, &QCheckBox::clicked, this, widgets::Guarded([this] { SelectAllMeshClick(); }));
    for (QCheckBox* scene : {saveHierarchy_, saveAnimation_}) {
        connect(scene, &QCheckBox::toggled, this, widgets::Guarded([this] { SceneOptionsClick(); }));
    }
}

// A caption and a field to the group's right edge.
void TExportOptionsBox::CreateTextureFolderRow(int y) {
    auto* caption = new QLabel(tr("テクスチャの場所"), this);
    caption->move(kRowMargin + 2, y + 3);
    caption->adjustSize();
    textureFolders_ = new QLineEdit(this);
    const int left = caption->geometry().right() + 8;
    textureFolders_->setGeometry(left, y, width() - kRowMargin - left, 20);
    textureFolders_->setPlaceholderText(tr("フォルダを ; で区切って並べる"));
    textureFolders_->setAccessibleName(caption->text());
    caption->setBuddy(textureFolders_);
}

QStringList TExportOptionsBox::TextureFolderList() const {
    QStringList folders;
    for (const QString& part : textureFolders_->text().split(';')) {
        const QString folder = part.trimmed();
        if (!folder.isEmpty()) folders << folder;
    }
    return folders;
}

std::vector<std::string> TExportOptionsBox::TextureFolders() const {
    std::vector<std::string> folders;
    for (const QString& folder : TextureFolderList()) folders.push_back(QFile::encodeName(folder).toStdString());
    return folders;
}

void TExportOptionsBox::SetTextureFolders(const QStringList& folders) { textureFolders_->setText(folders.join("; ")); }

xexport::TExportOptions TExportOptionsBox::Options() const {
    xexport::TExportOptions options;
    options.SaveMaterial = saveMaterial_->isChecked();
    options.SetTranse = setTranse_->isChecked();
    options.Origin = encodeZeroCenter_->isChecked() ? xexport::TOriginMode::EncodeZeroCenter
                     : encodeZeroLeft_->isChecked() ? xexport::TOriginMode::EncodeZeroLeft
                                                    : xexport::TOriginMode::NotEncode;
    options.TexCoords = saveTextureCoords_->isChecked();
    options.Textures = saveTextureNames_->isChecked();
    options.Normals = saveNormals_->isChecked();
    options.Animation = saveAnimation_->isChecked();
    options.Hierarchy = saveHierarchy_->isChecked() || options.Animation;
    return options;
}

bool TExportOptionsBox::MergesAll() const { return Options().Hierarchy || selectAllMesh_->isChecked(); }

TXRequest TExportOptionsBox::Request(int meshIndex) const {
    return {.MeshIndex = meshIndex, .Merged = MergesAll(), .Options = Options()};
}

// Unchecking leaves the other two origin buttons as they were, so none of the
// three may be checked afterwards; an exclusive group could not do that.
void TExportOptionsBox::SelectAllMeshClick() {
    if (selectAllMesh_->isChecked()) {
        notEncode_->setChecked(true);
        return;
    }
    notEncode_->setAutoExclusive(false);
    notEncode_->setChecked(false);
    notEncode_->setAutoExclusive(true);
}

// The scene holds every mesh where the keyframer puts it, so neither the choice of
// a mesh, a merge nor a move of the origin applies to it; their controls are
// greyed out, keeping their states for when the hierarchy is off again.
void TExportOptionsBox::SceneOptionsClick() {
    const bool animation = saveAnimation_->isChecked();
    if (animation) saveHierarchy_->setChecked(true);
    saveHierarchy_->setEnabled(!animation);
    const bool scene = saveHierarchy_->isChecked();
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{selectAllMesh_, encodeZeroCenter_, encodeZeroLeft_, notEncode_}) {
        button->setEnabled(!scene);
    }
}

}  // namespace app
