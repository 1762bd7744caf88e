#pragma once

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace Ui {
class BitImagePageView;
}

namespace rollvane {

class BitImagePage;

// The "Define Bit Images" page's widgets: three file rows, the print row, the hidden paper and
// font lists, and a preview of the images as the printer will store them. It moves the texts
// between its widgets and the page and runs the page's handlers; the page does everything else.
class BitImagePageView final : public QWidget {
    Q_OBJECT

public:
    explicit BitImagePageView(BitImagePage &page, QWidget *parent = nullptr);
    ~BitImagePageView() override;

    // Widgets by their dialog ids (list, field, button, check box).
    QComboBox *list(int id) const;
    QLineEdit *field(int id) const;
    QPushButton *button(int id) const;
    QCheckBox *checkBox(int id) const;

    // Shows the page's texts in the widgets, and the preview of the rows.
    void ShowTexts();
    // Gives the widgets' texts to the page.
    void TakeTexts();

private:
    struct RowWidgets {
        QComboBox *id;
        QLineEdit *path;
        QPushButton *browse;
        QPushButton *prepare;
        QCheckBox *manipulate;
        QLineEdit *width;
        QComboBox *alignment;
    };

    template <typename Handler>
    void Run(Handler handler);
    void RowEdited();
    void ShowPreview();

    BitImagePage &page_;
    std::unique_ptr<Ui::BitImagePageView> form_;
    std::array<RowWidgets, 3> rows_{};
};

}  // namespace rollvane
