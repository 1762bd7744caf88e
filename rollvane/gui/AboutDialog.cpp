#include "rollvane/gui/AboutDialog.h"

#include "rollvane/gui/ProgramIcon.h"
#include "ui_AboutDialog.h"

namespace rollvane {

AboutDialog::AboutDialog(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::AboutDialog>())
{
    ui_->setupUi(this);
    const QIcon icon = ProgramIcon::Icon();
    setWindowIcon(icon);
    ui_->icon->setPixmap(icon.pixmap(48, 48));
}

AboutDialog::~AboutDialog() = default;

}  // namespace rollvane
