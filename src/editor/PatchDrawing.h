// One of the eight drawings of the patch pages: a black (ramps: olive) box
// of fixed size that draws, on every paint, what the current patch's
// oscillator, envelope, ramp or tracking curve looks like. Nothing is
// cached. A right click on an envelope, ramp or tracking box moves its line
// colour one step along lime, yellow, red, white, aqua.
#pragma once

#include "editor/EditorContext.h"
#include "protocol/PatchRecord.h"

#include <QColor>
#include <QWidget>

namespace velmora::editor {

class PatchDrawing : public QWidget
{
    Q_OBJECT

public:
    // Object names and sizes: pbDCO1, pbDCO2 145 x 50; pbENV1..3, pbTRK
    // 150 x 50; pbRAMP1, pbRAMP2 41 x 98.
    PatchDrawing(Drawing kind, const PatchBuffer& patch, QWidget* parent = nullptr);

    Drawing kind() const { return kind_; }
    QColor penColor() const { return pen_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Drawing kind_;
    const PatchBuffer& patch_;
    QColor pen_;
};

} // namespace velmora::editor
