// The model page's construction and the window's questions to it; the tree and
// the boxes' contents are in ModelBrowser.cpp, the material edits in
// MaterialEditing.cpp.
#include "app/ModelPanel.h"

#include <QColorDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QTreeWidget>

#include "app/ColorSwatch.h"
#include "app/Document.h"
#include "DisplayText.h"
#include "widgets/HandlerGuard.h"
#include "model3ds/Records.h"
#include "widgets/SpinEdit.h"

namespace app {

namespace {

// A label at (x, y), as wide as its text or, for a value label, the width given.
QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, int width = 0) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    label->adjustSize();
    if (width > 0) label->resize(width, label->height());
    return label;
}

}  // namespace

TModelPanel::TModelPanel(TDocument& document, QWidget* exportOptions, QWidget* parent)
    : QWidget(parent), document_(document) {
    treeView_ = new QTreeWidget(this);
    treeView_->setGeometry(8, 11, 201, 195);
    treeView_->setHeaderHidden(true);
    treeView_->setIndentation(19);
    treeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeView_->setAccessibleName(tr("メッシュとマテリアル"));
    CreateMeshBox();
    // Reparented as its place in the tab order comes; it keeps the place the window gave it.
    const QRect optionsPlace = exportOptions->geometry();
    exportOptions->setParent(this);
    exportOptions->setGeometry(optionsPlace);
    CreateMaterialBox();
    colorDialog_ = new QColorDialog(this);
    ConnectHandlers();
}

void TModelPanel::CreateMeshBox() {
    meshBox_ = new QGroupBox(tr("メッシュの情報"), this);
    meshBox_->setGeometry(217, 5, 275, 205);
    const auto row = [this](const char* caption, int y) {
        QLabel* name = AddLabel(meshBox_, tr(caption), 14, y);
        QLabel* value = AddLabel(meshBox_, QString(), 120, y, 145);
        name->setBuddy(value);
        return value;
    };
    vertexCount_ = row(QT_TR_NOOP("頂点個数"), 22);
    faceCount_ = row(QT_TR_NOOP("FACE個数"), 40);
    textureCoords_ = row(QT_TR_NOOP("ﾃｸｽﾁｬ座標個数"), 58);
    materialCount_ = row(QT_TR_NOOP("ﾏﾃﾘｱﾙ使用数"), 76);
    meshCount_ = row(QT_TR_NOOP("メッシュ個数"), 94);
    AddLabel(meshBox_, tr("頂点座標"), 14, 116);
    // A corner takes two lines when its numbers are long; it wraps between them.
    const auto corner = [this](const char* caption, int y) {
        QLabel* name = AddLabel(meshBox_, tr(caption), 14, y);
        auto* value = new QLabel(meshBox_);
        value->setGeometry(66, y, 202, 30);
        value->setWordWrap(true);
        value->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        name->setBuddy(value);
        return value;
    };
    maxCoord_ = corner(QT_TR_NOOP("(最大値)"), 134);
    minCoord_ = corner(QT_TR_NOOP("(最小値)"), 166);
}

void TModelPanel::CreateMaterialBox() {
    materialBox_ = new QGroupBox(tr("マテリアルの情報"), this);
    materialBox_->setGeometry(499, 5, 294, 294);
    const auto colourRow = [this](const char* caption, int y, const char* hint) {
        QLabel* name = AddLabel(materialBox_, tr(caption), 12, y + 6);
        auto* swatch = new TColorSwatch(materialBox_);
        swatch->setGeometry(96, y, 50, 26);
        swatch->setToolTip(tr(hint));
        swatch->setAccessibleName(name->text());
        swatch->setAccessibleDescription(tr(hint));
        name->setBuddy(swatch);
        return std::pair(name, swatch);
    };
    auto [ambientCaption, ambient] = colourRow(QT_TR_NOOP("アンビエント色"), 20, QT_TR_NOOP("設定できません"));
    ambientCaption->setStyleSheet(QStringLiteral("color: grey;"));
    ambientColor_ = ambient;
    ambientColor_->setEnabled(false);
    ambientColorRGB_ = AddLabel(materialBox_, tr("現在考慮していません！"), 152, 26, 138);
    ambientColorRGB_->setStyleSheet(QStringLiteral("color: maroon;"));
    diffuseColor_ = colourRow(QT_TR_NOOP("放射色"), 52, QT_TR_NOOP("クリックで変更")).second;
    diffuseColorRGB_ = AddLabel(materialBox_, QString(), 152, 58, 138);
    speculerColor_ = colourRow(QT_TR_NOOP("反射色"), 84, QT_TR_NOOP("クリックで変更")).second;
    speculerColorRGB_ = AddLabel(materialBox_, QString(), 152, 90, 138);
    QLabel* brightness = AddLabel(materialBox_, tr("色の明るさ"), 12, 120);
    selfIlluminate_ = AddLabel(materialBox_, QString(), 96, 120, 100);
    brightness->setBuddy(selfIlluminate_);

    auto* bevel = new QFrame(materialBox_);
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 142, 278, 4);
    QLabel* heading = AddLabel(materialBox_, tr("マテリアル特性の設定"), 12, 152);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->adjustSize();

    // The opacity field sits in the gap of its caption's blanks.
    const QString opacityCaption = tr("透明度の設定                  % ( 100 % は不透明です )");
    QLabel* opacity = AddLabel(materialBox_, opacityCaption, 16, 184);
    specularCo_ = new widgets::TSpinEdit(
        {.MinValue = model3ds::kMinOpacityPercent, .MaxValue = model3ds::kMaxOpacityPercent, .Increment = 5}, 100,
        materialBox_);
    const int gapStart = opacity->fontMetrics().horizontalAdvance(tr("透明度の設定 "));
    const int gapWidth = opacity->fontMetrics().horizontalAdvance(QString(17, QLatin1Char(' ')));
    specularCo_->setGeometry(16 + gapStart + (gapWidth - 51) / 2, 179, 51, 24);
    specularCo_->setAccessibleName(opacityCaption.simplified());
    opacity->setBuddy(specularCo_);

    QLabel* power = AddLabel(materialBox_, tr("反射係数の設定"), 16, 226);
    refrectCo_ = new widgets::TSpinEdit(
        {.MinValue = model3ds::kMinSpecularPower, .MaxValue = model3ds::kMaxSpecularPower, .Increment = 5}, 15,
        materialBox_);
    refrectCo_->setGeometry(16 + power->width() + 12, 221, 51, 24);
    refrectCo_->setAccessibleName(power->text());
    power->setBuddy(refrectCo_);
    AddLabel(materialBox_, tr("( 反射係数が大きくなるほど反射度は低下します )"), 10, 256);
}

void TModelPanel::ConnectHandlers() {
    connect(treeView_, &QTreeWidget::currentItemChanged, this,
            widgets::Guarded([this](QTreeWidgetItem* node) { TreeViewChange(node); }));
    for (TColorSwatch* swatch : {ambientColor_, diffuseColor_, speculerColor_}) {
        swatch->OnClick = widgets::Guarded([this, swatch] { OnColor(swatch); });
    }
    specularCo_->OnChange = widgets::Guarded([this] { OnMaterialSet(specularCo_); });
    refrectCo_->OnChange = widgets::Guarded([this] { OnMaterialSet(refrectCo_); });
}

void TModelPanel::Clear() {
    for (QLabel* label : {vertexCount_, textureCoords_, faceCount_, materialCount_, maxCoord_, minCoord_, meshCount_,
                          diffuseColorRGB_, speculerColorRGB_, selfIlluminate_}) {
        label->clear();
    }
    treeView_->clear();
    for (TColorSwatch* swatch : {ambientColor_, diffuseColor_, speculerColor_}) swatch->SetColor(0xFFFFFF);
    specularCo_->SetValue(100);
    refrectCo_->SetValue(15);
}

int TModelPanel::SelectedMesh() const {
    QTreeWidgetItem* node = treeView_->currentItem();
    if (!node) return -1;
    if (node->parent()) node = node->parent();
    return node->data(0, Qt::UserRole).toInt();
}

QString TModelPanel::ExportCaption(bool wholeScene) const {
    if (!wholeScene) {
        const QTreeWidgetItem* node = treeView_->currentItem();
        if (!node) return {};
        return (node->parent() ? node->parent() : node)->text(0);
    }
    return QFileInfo(DisplayText(document_.CurrentFileName())).completeBaseName();
}

}  // namespace app
