#include "rollvane/gui/DemoPageView.h"

#include "rollvane/printouts/DemoPage.h"
#include "ui_DemoPageView.h"

namespace rollvane {

DemoPageView::DemoPageView(DemoPage &page, QWidget *parent)
    : QWidget(parent), page_(page), form_(std::make_unique<Ui::DemoPageView>())
{
    form_->setupUi(this);
    const int patterns[DemoPage::kPatterns] = {1081, 1070, 1071};
    for (int n = 1; n <= DemoPage::kPatterns; ++n) {
        connect(button(patterns[n - 1]), &QPushButton::clicked, this, [this, n] { page_.PrintDemoPattern(n); });
    }
}

DemoPageView::~DemoPageView() = default;

QPushButton *DemoPageView::button(int id) const
{
    return findChild<QPushButton *>("button" + QString::number(id));
}

}  // namespace rollvane
