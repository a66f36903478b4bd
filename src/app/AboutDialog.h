// "About": the product name, its version and build, and two lines about it.
#pragma once

#include <QDialog>

namespace velmora {

class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace velmora
