#include "rollvane/gui/TestPrintPageView.h"

#include "rollvane/printouts/TestPrintPage.h"
#include "ui_TestPrintPageView.h"

#include <QAbstractButton>

namespace rollvane {

namespace {

// The duty radio buttons in the order of TestPrintPage::duty: 12.5 % to 100 %.
constexpr int kDutyIds[] = {1016, 1018, 1017, 1019, 1020};
constexpr int kSideIds[] = {1084, 1085, 1086};
constexpr int kTestButtonIds[] = {1014, 1015, 1021};
constexpr int kConfigurationButtonId = 1068;

}  // namespace

TestPrintPageView::TestPrintPageView(TestPrintPage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::TestPrintPageView>())
{
    form_->setupUi(this);
    connect(control(1014), &QAbstractButton::clicked, this, [this] {
        ReadBack();
        page_.PrintAllH();
    });
    connect(control(1015), &QAbstractButton::clicked, this, [this] {
        ReadBack();
        page_.PrintRollingAscii();
    });
    connect(control(1021), &QAbstractButton::clicked, this, [this] {
        ReadBack();
        page_.PrintDuty();
    });
    connect(control(kConfigurationButtonId), &QAbstractButton::clicked, this, [this] {
        configurationRunning_ = true;
        page_.PrintConfiguration();
        configurationRunning_ = false;
    });
    page_.onControlsEnabled = [this](bool enabled) { SetControlsEnabled(enabled); };
    // The view is made when its tab is first shown, which may be while a print runs.
    if (!page_.controlsEnabled()) {
        SetControlsEnabled(false);
    }
}

TestPrintPageView::~TestPrintPageView()
{
    page_.onControlsEnabled = nullptr;
}

QAbstractButton *TestPrintPageView::control(int id) const
{
    const QString number = QString::number(id);
    if (auto *radio = findChild<QAbstractButton *>("radio" + number)) {
        return radio;
    }
    return findChild<QAbstractButton *>("button" + number);
}

void TestPrintPageView::ReadBack()
{
    page_.paper = control(1066)->isChecked() ? TestPrintPage::Paper::Mm58 : TestPrintPage::Paper::Mm80;
    page_.side = control(1086)->isChecked()   ? TestPrintPage::Side::Both
                 : control(1085)->isChecked() ? TestPrintPage::Side::Back
                                              : TestPrintPage::Side::Front;
    for (int i = 0; i < static_cast<int>(std::size(kDutyIds)); ++i) {
        if (control(kDutyIds[i])->isChecked()) {
            page_.duty = i;
        }
    }
}

void TestPrintPageView::SetControlsEnabled(bool enabled)
{
    for (int id : kTestButtonIds) {
        control(id)->setEnabled(enabled);
    }
    if (configurationRunning_) {
        control(kConfigurationButtonId)->setEnabled(enabled);
        return;
    }
    for (int id : kSideIds) {
        control(id)->setEnabled(enabled);
    }
}

}  // namespace rollvane
