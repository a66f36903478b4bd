// A bevelled display frame: a sunken black window in the panel that holds
// the patch drawings (children placed at fixed positions inside it).
#pragma once

#include <QFrame>

namespace velmora::widgets {

class DisplayFrame : public QFrame
{
    Q_OBJECT

public:
    explicit DisplayFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace velmora::widgets
