#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace Ui {
class MessagesPageView;
}

namespace rollvane {

class MessagesPage;

// The "Define Top/Bottom Msgs" page's widgets: the kind list, the two line fields, the six
// attribute lists and "Download!". It moves the nine texts between its widgets and the page and
// runs the page's handler; the page does everything else.
class MessagesPageView final : public QWidget {
    Q_OBJECT

public:
    explicit MessagesPageView(MessagesPage &page, QWidget *parent = nullptr);
    ~MessagesPageView() override;

    // Widgets by their dialog ids.
    QComboBox *list(int id) const;
    QLineEdit *field(int id) const;
    QPushButton *button(int id) const;

    // Shows the page's nine texts in the widgets.
    void ShowTexts();
    // Gives the widgets' texts to the page.
    void TakeTexts();

private:
    void Download();

    MessagesPage &page_;
    std::unique_ptr<Ui::MessagesPageView> form_;
};

}  // namespace rollvane
