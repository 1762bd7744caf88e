#include "rollvane/gui/QtUserInterface.h"

#include "rollvane/gui/InterfacePropertiesView.h"
#include "rollvane/gui/ProgressDialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QStyle>

namespace rollvane {

namespace {

// Window managers draw a caption in the title bar's font, mostly bold, beside the window's icon
// and buttons; QMessageBox leaves less room than that and longer captions are cut.
void MakeRoomForCaption(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid) {
        return;
    }
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    // The icon and three buttons, each about as wide as the title bar is high.
    const int titleBar = 4 * box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box);
    const int width = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + titleBar;
    const QMargins margins = grid->contentsMargins();
    // QMessageBox sets its own fixed size from its layout, so the room is an item of the layout.
    grid->addItem(
        new QSpacerItem(width - margins.left() - margins.right(), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
        grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

QWidget *QtUserInterface::parentWidget() const
{
    if (QWidget *active = QApplication::activeModalWidget()) {
        return active;
    }
    return owner_;
}

void QtUserInterface::ShowMessage(const std::string &text, const std::string &caption, MessageIcon icon,
                                  const std::string &cause)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case MessageIcon::Exclamation:
        qtIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Stop:
        qtIcon = QMessageBox::Critical;
        break;
    case MessageIcon::None:
        break;
    }
    QMessageBox box(qtIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    parentWidget());
    if (!cause.empty()) {
        box.setDetailedText(QString::fromStdString("Cause: " + cause));
    }
    MakeRoomForCaption(box);
    box.exec();
}

bool QtUserInterface::Confirm(const std::string &text, const std::string &caption)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parentWidget());
    MakeRoomForCaption(box);
    return box.exec() == QMessageBox::Ok;
}

std::string QtUserInterface::QtFilter(const std::string &filter)
{
    // "Description|pattern|Description|pattern|" becomes "Description;;Description"; the
    // descriptions already carry their patterns in brackets.
    std::string result;
    std::size_t start = 0;
    bool description = true;
    while (start < filter.size()) {
        std::size_t bar = filter.find('|', start);
        std::string part = filter.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (description && !part.empty()) {
            result += (result.empty() ? "" : ";;") + part;
        }
        description = !description;
        if (bar == std::string::npos) {
            break;
        }
        start = bar + 1;
    }
    return result;
}

std::optional<std::string> QtUserInterface::ChooseOpenFile(const FileChoice &choice)
{
    QFileDialog dialog(parentWidget(), QString(), QString(), QString::fromStdString(QtFilter(choice.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!choice.proposedName.empty()) {
        dialog.selectFile(QString::fromStdString(choice.proposedName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::optional<std::string> QtUserInterface::ChooseSaveFile(const FileChoice &choice)
{
    QFileDialog dialog(parentWidget(), QString(), QString(), QString::fromStdString(QtFilter(choice.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromStdString(choice.defaultExtension));
    if (!choice.proposedName.empty()) {
        dialog.selectFile(QString::fromStdString(choice.proposedName));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

std::unique_ptr<ProgressWindow> QtUserInterface::OpenProgress()
{
    // No parent window: it stands on its own, centred on the screen.
    return std::make_unique<ProgressDialog>();
}

void QtUserInterface::PaintWhileWaiting()
{
    ProgressDialog::PaintPending();
}

bool QtUserInterface::RunInterfaceProperties()
{
    if (!interfaceDialog_) {
        return false;
    }
    InterfacePropertiesView view(*interfaceDialog_, *this, owner_);
    return view.exec() == QDialog::Accepted;
}

}  // namespace rollvane
