#include "rollvane/gui/ProgressDialog.h"

#include "ui_ProgressDialog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace rollvane {

namespace {

// Swallows requests to close a window while an action waits for the printer.
class CloseRefusal final : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return false;
    }
};

}  // namespace

ProgressDialog::ProgressDialog(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::ProgressDialog>())
{
    ui_->setupUi(this);
    setModal(false);
    ui_->group1025->setTitle(QString());
    ui_->line1020->setText(QString::fromStdString(message()));
    ui_->progress1018->setRange(0, 100);
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    show();
    // The window system shows a new window a moment later, and what is painted before then is
    // lost: wait for that (a second at most), so the window never stands empty.
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(1000);
    while (!windowHandle()->isExposed() && limit.isActive()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                        QEventLoop::WaitForMoreEvents);
    }
    PaintNow();
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::ShowMessage(const std::string &text)
{
    const QString qtext = QString::fromStdString(text);
    ui_->line1020->setText(qtext);
    ui_->group1025->setTitle(qtext);
    PaintNow();
}

void ProgressDialog::ShowRange(uint32_t upper)
{
    ui_->progress1018->setRange(0, static_cast<int>(std::min<uint32_t>(upper, INT32_MAX)));
}

void ProgressDialog::ShowPosition(uint32_t position)
{
    ui_->progress1018->setValue(static_cast<int>(std::min<uint32_t>(position, ui_->progress1018->maximum())));
    PaintNow();
}

void ProgressDialog::PaintNow()
{
    repaint();
    PaintPending();
}

void ProgressDialog::PaintPending()
{
    // User input and device notifications wait until the action ends, so nothing can re-enter
    // the printer traffic. A request to close a window is no input to Qt but must wait too:
    // the action runs to its end before the program may.
    static CloseRefusal refusal;
    QCoreApplication::instance()->installEventFilter(&refusal);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    QCoreApplication::instance()->removeEventFilter(&refusal);
}

QString ProgressDialog::lineText() const
{
    return ui_->line1020->text();
}

QString ProgressDialog::groupCaption() const
{
    return ui_->group1025->title();
}

int ProgressDialog::barMaximum() const
{
    return ui_->progress1018->maximum();
}

int ProgressDialog::barValue() const
{
    return ui_->progress1018->value();
}

}  // namespace rollvane
