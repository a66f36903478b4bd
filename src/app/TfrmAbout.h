// "About": the product name, its version and build, and two lines about it.
#pragma once

#include <QDialog>

namespace velmora {

class TfrmAbout : public QDialog
{
public:
    explicit TfrmAbout(QWidget* parent = nullptr);
};

} // namespace velmora
