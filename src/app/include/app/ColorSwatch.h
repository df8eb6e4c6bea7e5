#pragma once
// A sunken patch of colour that runs OnClick when clicked. A disabled swatch
// takes no clicks but still shows its tooltip.
#include <QLabel>

#include <cstdint>
#include <functional>

namespace app {

class TColorSwatch : public QLabel {
public:
    explicit TColorSwatch(QWidget* parent = nullptr);

    // red in the low byte, then green, then blue
    void SetColor(std::uint32_t rgb);
    std::uint32_t Color() const { return rgb_; }

    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::uint32_t rgb_ = 0xFFFFFF;
};

}  // namespace app
